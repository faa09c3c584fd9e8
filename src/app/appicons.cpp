#include "app/appicons.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <functional>
#include <utility>

// The bundled set lives in a static library: its resources are registered
// by hand before the first look-up.
static void registerBundledIcons() { Q_INIT_RESOURCE(appicons); }

namespace qm {
namespace {

// An icon drawn by a function at every size and pixel ratio asked for, so
// nothing is scaled up from a small bitmap.
class DrawnIcon : public QIconEngine {
public:
    using Draw = std::function<void(QPainter &, const QRect &, QIcon::Mode, QIcon::State)>;

    explicit DrawnIcon(Draw draw) : draw_(std::move(draw)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        draw_(*painter, rect, mode, state);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }

    QIconEngine *clone() const override { return new DrawnIcon(draw_); }

private:
    Draw draw_;
};

QIcon bundledIcon(const QString &name)
{
    static const bool registered = (registerBundledIcons(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
}

} // namespace

QIcon commandIcon(const QString &name)
{
    if (name.isEmpty())
        return {};
    QIcon bundled = bundledIcon(name);
    if (name.startsWith(QLatin1String("quillmark-")))
        return bundled;
    return QIcon::fromTheme(name, bundled);
}

QIcon withTagMark(const QIcon &base, int tag)
{
    if (tag != 1 && tag != 2)
        return base;
    const QIcon mark = bundledIcon(tag == 1 ? QStringLiteral("quillmark-mark-id3v1")
                                            : QStringLiteral("quillmark-mark-id3v2"));
    return QIcon(new DrawnIcon(
        [base, mark](QPainter &painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) {
            base.paint(&painter, rect, Qt::AlignCenter, mode, state);
            mark.paint(&painter, rect, Qt::AlignCenter, mode, state);
        }));
}

QIcon badgeIcon(const QString &text)
{
    return QIcon(
        new DrawnIcon([text](QPainter &painter, const QRect &rect, QIcon::Mode mode, QIcon::State) {
            const qreal unit = rect.height() / 16.0;
            const bool disabled = mode == QIcon::Disabled;
            painter.setBrush(disabled ? QColor(0x9a, 0xa3, 0xad) : QColor(0x2a, 0x6f, 0xb5));
            painter.setPen(Qt::NoPen);
            painter.drawRoundedRect(QRectF(rect).adjusted(unit / 2, unit / 2, -unit / 2, -unit / 2),
                                    3 * unit, 3 * unit);
            QFont font = painter.font();
            font.setPixelSize(qMax(1, qRound((text.size() > 1 ? 8 : 11) * unit)));
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(rect, Qt::AlignCenter, text);
        }));
}

} // namespace qm
