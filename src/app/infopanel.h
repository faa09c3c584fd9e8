#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qm {

// The panel at the bottom of the main window: the status line, and while a
// job runs the progress bar and the Stop button at the right edge.
class InfoPanel : public QWidget {
    Q_OBJECT
public:
    explicit InfoPanel(QWidget *parent = nullptr);

    QLabel *status() const { return status_; }
    QProgressBar *progress() const { return progress_; }
    QPushButton *stopButton() const { return stop_; }

    void setStatusText(const QString &text);
    QString statusText() const;
    // Busy shows the progress bar and Stop; idle hides them.
    void setBusy(bool busy);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutControls();
    void updateStatusHint();

    QLabel *status_;
    QProgressBar *progress_;
    QPushButton *stop_;
};

} // namespace qm
