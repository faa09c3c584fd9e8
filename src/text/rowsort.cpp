#include "text/rowsort.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <numeric>
#include <random>

#include "table/rowtable.h"

namespace qm {
namespace {

// The locale's order of texts, without regard to case. The C locale has no
// order of letters of its own (Qt compares code points there and keeps
// case): English stands in, whose order is the common root order.
QCollator textCollator() {
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::English);
  QCollator collator(locale);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

// How many rows are keyed between two progress reports.
constexpr int kReportEvery = 4096;

// Keys of one column for every file row, index 0 for row 1. Nothing when
// stopped.
template <typename Key, typename MakeKey>
std::optional<std::vector<Key>> columnKeys(const RowTable& table, FieldNumber field, int level, int levels,
                                           const SortProgress& progress, MakeKey makeKey) {
  const int count = table.fileRowCount();
  std::vector<Key> keys;
  keys.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    if (i % kReportEvery == 0 && !progress(level, levels, i, count)) return std::nullopt;
    keys.push_back(makeKey(table.cell(i + 1, field)));
  }
  return keys;
}

}  // namespace

std::optional<RowOrder> sortedRowOrder(const RowTable& table, const SortKeys& keys, const SortProgress& progress) {
  const int count = std::max(table.fileRowCount(), 0);
  RowOrder order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 1);
  // A key that repeats the one before it (Dir in front of Dir) orders
  // nothing more.
  SortKeys levels;
  for (FieldNumber key : keys)
    if (levels.isEmpty() || levels.last() != key) levels.append(key);
  // Least significant key first: each stable pass keeps the order of the
  // later keys among rows its own key finds equal, so the result is the
  // order by all keys while only one key per row is held.
  const int levelCount = int(levels.size());
  for (int pass = levelCount - 1; pass >= 0; --pass) {
    const int level = levelCount - 1 - pass;
    const FieldNumber field = levels[pass];
    if (isNumericSortKey(field)) {
      // Cells without a number come first.
      auto numbers = columnKeys<double>(table, field, level, levelCount, progress, [](const QString& text) {
        return cellNumber(text).value_or(-std::numeric_limits<double>::infinity());
      });
      if (!numbers) return std::nullopt;
      std::stable_sort(order.begin(), order.end(),
                       [&n = *numbers](int a, int b) { return n[size_t(a - 1)] < n[size_t(b - 1)]; });
    } else {
      const QCollator collator = textCollator();
      auto texts = columnKeys<QCollatorSortKey>(table, field, level, levelCount, progress,
                                                [&collator](const QString& text) { return collator.sortKey(text); });
      if (!texts) return std::nullopt;
      std::stable_sort(order.begin(), order.end(), [&t = *texts](int a, int b) {
        return t[size_t(a - 1)].compare(t[size_t(b - 1)]) < 0;
      });
    }
    if (!progress(level, levelCount, count, count)) return std::nullopt;
  }
  return order;
}

RowOrder shuffledRowOrder(const RowTable& table, quint64 seed) {
  RowOrder order(size_t(std::max(table.fileRowCount(), 0)));
  std::iota(order.begin(), order.end(), 1);
  std::mt19937_64 random(seed);
  std::shuffle(order.begin(), order.end(), random);
  return order;
}

void applyRowOrder(RowTable& table, const RowOrder& order) {
  // Cycle by cycle: each row is moved once, and only one row is held aside.
  std::vector<bool> placed(order.size(), false);
  for (size_t start = 0; start < order.size(); ++start) {
    if (placed[start]) continue;
    Row held = std::move(table.row(int(start) + 1));
    size_t target = start;
    for (;;) {
      placed[target] = true;
      const size_t source = size_t(order[target] - 1);
      if (source == start) {
        table.row(int(target) + 1) = std::move(held);
        break;
      }
      table.row(int(target) + 1) = std::move(table.row(int(source) + 1));
      target = source;
    }
  }
}

}  // namespace qm
