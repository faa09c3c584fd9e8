#include "app/infopanel.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace qm {
namespace {
constexpr int kMargin = 4;
}

InfoPanel::InfoPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlInfo"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("sttInfo"));
    status_->setTextFormat(Qt::PlainText);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prbProgress"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    QPalette bar = progress_->palette();
    bar.setColor(QPalette::Highlight, Qt::red);
    progress_->setPalette(bar);
    stop_ = new QPushButton(tr("Стоп"), this);
    stop_->setObjectName(QStringLiteral("btnStop"));
    progress_->hide();
    stop_->hide();
    setMinimumHeight(sizeHint().height());
}

QSize InfoPanel::sizeHint() const
{
    const int h = qMax(status_->sizeHint().height(), stop_->sizeHint().height());
    return {200, h + 2 * kMargin};
}

void InfoPanel::setStatusText(const QString &text)
{
    status_->setText(text);
    updateStatusHint();
}

QString InfoPanel::statusText() const { return status_->text(); }

void InfoPanel::setBusy(bool busy)
{
    progress_->setVisible(busy);
    stop_->setVisible(busy);
    if (!busy)
        progress_->setValue(0);
    layoutControls();
}

void InfoPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void InfoPanel::layoutControls()
{
    const int w = width();
    const int h = height() - 2 * kMargin;
    if (!progress_->isHidden()) {
        // The progress bar takes the last third before the Stop button, which
        // keeps its place at the right edge whatever the width.
        const int statusWidth = qMax(0, (w - 82) * 2 / 3);
        const int stopLeft = w - 66;
        const int barLeft = statusWidth + 10;
        status_->setGeometry(kMargin, kMargin, statusWidth, h);
        stop_->setGeometry(stopLeft, kMargin, 62, h);
        progress_->setGeometry(barLeft, kMargin, qMax(0, stopLeft - barLeft - 6), h);
    } else {
        status_->setGeometry(kMargin, kMargin, qMax(0, w - 8), h);
    }
    updateStatusHint();
}

void InfoPanel::updateStatusHint()
{
    // A status text too long for the line is shown whole as its hint.
    const QString text = status_->text();
    const bool clipped = status_->fontMetrics().horizontalAdvance(text) >= status_->width();
    status_->setToolTip(clipped ? text : QString());
}

} // namespace qm
