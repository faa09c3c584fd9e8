#include "app/columnviews.h"

#include <QAction>

#include "app/commands.h"
#include "jobs/readkinds.h"
#include "session/session.h"

namespace qm {
namespace {

using F = FieldNumber;

constexpr F kBasic[] = {F::Dir, F::Old, F::New, F::Ext};
// "Show all" brings tag columns back in this order; each lands at the right
// end, so this is the order they end up in.
constexpr F kShowAllTagOrder[] = {F::Tit, F::Trc, F::Art, F::Alb, F::Yea, F::Gen,
                                  F::Com, F::Cop, F::Enc, F::Cmp, F::Lan, F::Xxx,
                                  F::Ory, F::Ope, F::Tt1, F::Oal, F::Slt};

void setHint(QAction *action, const QString &hint)
{
    action->setToolTip(hint);
    action->setStatusTip(hint);
}

// The columns of the file information view, and the tag columns in the
// order of the tag field table.
const QList<F> &fileInfoColumns()
{
    static const QList<F> columns = Options::items(FieldView::FileInfo);
    return columns;
}
const QList<F> &tagColumns()
{
    static const QList<F> columns = Options::items(FieldView::Id3v2);
    return columns;
}

} // namespace

ColumnViews::ColumnViews(Session &session, CommandSet &commands, QObject *parent)
    : QObject(parent), table_(session.table()), session_(&session), columns_(session.columns()),
      options_(session.options()), commands_(commands)
{
    connect(&session, &Session::tagViewChanged, this, &ColumnViews::followTagView);
    connect(&session, &Session::fileInfoChanged, this, &ColumnViews::followFileInfo);
    connectCommands();
}

ColumnViews::ColumnViews(RowTable &table, Options &options, CommandSet &commands, QObject *parent)
    : QObject(parent), table_(table), ownColumns_(std::make_unique<TableLayout>(table)),
      columns_(*ownColumns_), options_(options), commands_(commands)
{
    connectCommands();
}

ColumnViews::~ColumnViews() = default;

void ColumnViews::connectCommands()
{
    connect(&columns_, &TableLayout::columnShownChanged, this, &ColumnViews::followColumnShown);
    for (int n = 1; n < kColumnCount; ++n) {
        const F f = toField(n);
        connect(columnCommand(f), &QAction::triggered, this,
                [this, f] { columnCommandTriggered(f); });
    }
    connect(named().aVisibleAll, &QAction::triggered, this, &ColumnViews::showAll);
    connect(named().aFileInfo, &QAction::triggered, this, [this] { switchFileInfo(); });
    connect(named().aID3v1Tag, &QAction::triggered, this, [this] { switchId3v1(); });
    connect(named().aID3v2Tag, &QAction::triggered, this, [this] { switchId3v2(); });
}

const NamedCommands &ColumnViews::named() const { return commands_.named(); }

QAction *ColumnViews::columnCommand(F f) const { return commands_.columnCommand(f); }

bool ColumnViews::fileInfoOn() const { return named().aFileInfo->isChecked(); }
bool ColumnViews::id3v1On() const { return named().aID3v1Tag->isChecked(); }
bool ColumnViews::id3v2On() const { return named().aID3v2Tag->isChecked(); }
int ColumnViews::tagView() const { return id3v1On() ? 1 : id3v2On() ? 2 : 0; }

void ColumnViews::applySavedViews(bool fileInfo, int tag)
{
    // A view command toggles: set the opposite of the target, then run it.
    QAction *info = named().aFileInfo;
    info->setChecked(!fileInfo);
    info->trigger();
    QAction *v1 = named().aID3v1Tag;
    QAction *v2 = named().aID3v2Tag;
    if (tag == 1) {
        v1->setChecked(false);
        v1->trigger();
    } else {
        // Tag view 0 runs the ID3v2 command from checked, which leaves no tag
        // view on and its columns hidden.
        v2->setChecked(tag != 2);
        v2->trigger();
    }
}

void ColumnViews::syncColumnCommands()
{
    for (int n = 1; n < kColumnCount; ++n)
        columnCommand(toField(n))->setChecked(table_.layout().isShown(toField(n)));
}

void ColumnViews::columnCommandTriggered(F f)
{
    QAction *command = columnCommand(f);
    const bool show = command->isChecked();
    bool anyChecked = false;
    for (int n = 1; n < kColumnCount && !anyChecked; ++n)
        anyChecked = columnCommand(toField(n))->isChecked();
    if (!anyChecked) {
        // At least one data column stays shown.
        command->setChecked(true);
        return;
    }
    columns_.setColumnShown(f, show);
    if (!viewSwitching_)
        syncOptionLists(f, show);
    emit layoutChanged();
}

void ColumnViews::setColumnShownByCommand(F f, bool shown)
{
    QAction *command = columnCommand(f);
    if (command->isChecked() != shown)
        command->trigger();
}

void ColumnViews::syncOptionLists(F f, bool shown)
{
    FieldLists *lists = nullptr;
    if (columnGroup(f) == ColumnGroup::FileInfo) {
        if (fileInfoOn())
            lists = &options_.lists(FieldView::FileInfo);
    } else if (isTagField(f)) {
        if (id3v1On() && options_.lists(FieldView::Id3v1).indexOf(f) >= 0) {
            lists = &options_.lists(FieldView::Id3v1);
            if (shown && lists->indexOf(f) >= Options::kId3v1BasicItems)
                options_.setReadLyrics2(true);
        } else if (id3v2On()) {
            lists = &options_.lists(FieldView::Id3v2);
        }
    }
    if (!lists)
        return;
    const int item = lists->indexOf(f);
    if (item < 0 || lists->isShown(item) == shown)
        return;
    lists->setShown(item, shown); // showing ticks the read item as well
}

void ColumnViews::showAll()
{
    for (F f : kBasic)
        if (!columnCommand(f)->isChecked())
            columnCommand(f)->trigger();
    if (fileInfoOn()) {
        for (F f : fileInfoColumns())
            if (columnCommand(f)->isVisible() && !columnCommand(f)->isChecked())
                columnCommand(f)->trigger();
    }
    if (id3v1On() || id3v2On()) {
        for (F f : kShowAllTagOrder)
            if (columnCommand(f)->isVisible() && !columnCommand(f)->isChecked())
                columnCommand(f)->trigger();
    }
}

void ColumnViews::ensureBasicColumnShown()
{
    for (F f : kBasic)
        if (table_.layout().isShown(f))
            return;
    setColumnShownByCommand(F::New, true);
}

void ColumnViews::emptyColumns(const QList<F> &fields)
{
    if (session_)
        session_->emptyColumns(fields);
}

void ColumnViews::followColumnShown(F f, bool shown)
{
    // A change the command made itself finds the command already set.
    QAction *command = columnCommand(f);
    if (command->isChecked() == shown)
        return;
    command->setChecked(shown);
    if (!viewSwitching_)
        syncOptionLists(f, shown);
    emit layoutChanged();
}

void ColumnViews::followTagView(TagView view)
{
    if (switching_ > 0)
        return;
    if (view == TagView::None) {
        for (QAction *command : {named().aID3v1Tag, named().aID3v2Tag})
            if (command->isChecked())
                command->trigger();
        return;
    }
    const bool v1 = view == TagView::Id3v1;
    QAction *command = v1 ? named().aID3v1Tag : named().aID3v2Tag;
    if (command->isChecked())
        return;
    command->setChecked(true);
    switchTagView(v1 ? FieldView::Id3v1 : FieldView::Id3v2, false);
}

void ColumnViews::followFileInfo(bool on)
{
    QAction *command = named().aFileInfo;
    if (switching_ > 0 || command->isChecked() == on)
        return;
    if (!on) {
        command->trigger();
        return;
    }
    command->setChecked(true);
    switchFileInfo(false);
}

void ColumnViews::switchFileInfo(bool reading)
{
    const bool on = fileInfoOn();
    ++switching_;
    if (session_)
        session_->setFileInfo(on);
    const FieldLists &lists = options_.lists(FieldView::FileInfo);
    QAction *view = named().aFileInfo;
    // A basic column comes first when the view goes: otherwise the last shown
    // column could be one of the view's, which may not be hidden then.
    if (!on)
        ensureBasicColumnShown();
    viewSwitching_ = true;
    for (F f : fileInfoColumns())
        setColumnShownByCommand(f, on && lists.isShown(f));
    viewSwitching_ = false;
    if (!on) {
        emit idleRequested();
        setHint(view, tr("Показать информацию о файлах"));
        emptyColumns(fileInfoColumns());
    } else {
        setHint(view, tr("Скрыть информацию о файлах"));
    }
    CommandSet::setInUse(named().aPFileInf, on);
    for (F f : fileInfoColumns()) {
        const bool inUse = on && lists.isRead(f);
        CommandSet::setInUse(columnCommand(f), inUse);
        CommandSet::setInUse(commands_.pasteCommand(f), inUse);
        CommandSet::setInUse(commands_.sortCommand(f), inUse);
    }
    emit layoutChanged();
    --switching_;
    if (on && reading)
        emit readRequested(1, table_.lastFileRow(), ReadKind::Info);
    else
        emit editorTextRequested();
}

void ColumnViews::switchId3v1(bool reading) { switchTagView(FieldView::Id3v1, reading); }

void ColumnViews::switchId3v2(bool reading) { switchTagView(FieldView::Id3v2, reading); }

void ColumnViews::switchTagView(FieldView view, bool reading)
{
    const bool v1 = view == FieldView::Id3v1;
    QAction *self = v1 ? named().aID3v1Tag : named().aID3v2Tag;
    QAction *other = v1 ? named().aID3v2Tag : named().aID3v1Tag;
    const bool on = self->isChecked();
    ++switching_;
    if (on && other->isChecked()) {
        // The tag views exclude each other; the one going away empties its
        // columns and reads nothing.
        other->setChecked(false);
        switchTagView(v1 ? FieldView::Id3v2 : FieldView::Id3v1, false);
    }
    if (session_)
        session_->setTagView(on ? (v1 ? TagView::Id3v1 : TagView::Id3v2) : TagView::None);
    if (!on)
        ensureBasicColumnShown();

    const FieldLists &lists = options_.lists(view);
    viewSwitching_ = true;
    for (F f : tagColumns()) {
        const int item = lists.indexOf(f);
        setColumnShownByCommand(f, on && item >= 0 && lists.isShown(item));
    }
    viewSwitching_ = false;

    const QString name = v1 ? QStringLiteral("ID3v1 Tag") : QStringLiteral("ID3v2 Tag");
    setHint(self, on ? tr("Скрыть %1").arg(name) : tr("Показать %1").arg(name));
    if (v1 && on && options_.readLyrics2()) {
        columns_.setLyricsHeaders(true);
        setLyricsCaptions(true);
    } else if (v1 && !on) {
        columns_.setLyricsHeaders(false);
        setLyricsCaptions(false);
    }
    if (!on)
        emit idleRequested();

    CommandSet::setInUse(named().aPTag, on);
    for (F f : tagColumns()) {
        const int item = lists.indexOf(f);
        const bool inUse = on && item >= 0 && lists.isRead(item);
        CommandSet::setInUse(columnCommand(f), inUse);
        CommandSet::setInUse(commands_.pasteCommand(f), inUse);
        CommandSet::setInUse(commands_.sortCommand(f), inUse);
    }
    setWriteTagInUse();
    if (!on) {
        QList<F> unused;
        for (F f : tagColumns())
            if (!columnCommand(f)->isVisible())
                unused.append(f);
        emptyColumns(unused);
    }
    emit layoutChanged();
    --switching_;
    if (on && reading && table_.fileRowCount() > 0)
        emit readRequested(1, table_.lastFileRow(), v1 ? ReadKind::Tag1 : ReadKind::Tag2);
    else
        emit editorTextRequested();
}

void ColumnViews::setLyricsCaptions(bool lyricsView)
{
    // Commands without a hint of their own show their caption as the hint.
    const auto caption = [](QAction *action, const QString &text, bool hintFollows) {
        action->setText(text);
        if (hintFollows)
            action->setToolTip(text);
    };
    for (F f : {F::Cop, F::Ory}) {
        caption(commands_.pasteCommand(f), fieldName(f, lyricsView), false);
        caption(commands_.columnCommand(f), fieldName(f, lyricsView), true);
        caption(commands_.sortCommand(f), sortCaption(f, lyricsView), true);
    }
}

void ColumnViews::setWriteTagInUse()
{
    const bool tagView = id3v1On() || id3v2On();
    CommandSet::setInUse(named().aWriteID3v1Tag, tagView);
    CommandSet::setInUse(named().aWriteID3v2Tag, tagView);
}

} // namespace qm
