#pragma once

#include <QMessageBox>

#include "jobs/writequestions.h"

class QWidget;

namespace qm {

// The write job's questions as warning boxes over the main window, asked on
// the window's thread while the job waits for the answer.
class MessageBoxQuestions : public WriteQuestions {
public:
    explicit MessageBoxQuestions(QWidget *parent) : parent_(parent) {}

    Answer askCreateFolder(const QString &text) override;
    Answer askReplaceFile(const QString &text) override;
    Answer askWriteChanged(const QString &text) override;
    void showError(const QString &text) override;

    // The button of a box to the answer; Escape or closing the box is No.
    static Answer toAnswer(int button);

private:
    Answer ask(const QString &text);
    QWidget *parent_;
};

} // namespace qm
