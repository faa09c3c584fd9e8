#include "app/writequestions.h"

#include "jobs/writemessage.h"

#include <QCoreApplication>

namespace qm {

Answer MessageBoxQuestions::toAnswer(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::YesToAll:
        return Answer::YesToAll;
    case QMessageBox::NoToAll:
        return Answer::NoToAll;
    default:
        return Answer::No;
    }
}

Answer MessageBoxQuestions::ask(const QString &text)
{
    QMessageBox box(
        QMessageBox::Warning,
        QCoreApplication::translate("qm::MessageBoxQuestions", "Предупреждение"), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll, parent_);
    box.setObjectName(QStringLiteral("writeQuestion"));
    // Both questions lead to replacing or creating something: a plain Enter
    // must not do that.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return toAnswer(box.exec());
}

Answer MessageBoxQuestions::askCreateFolder(const QString &text) { return ask(text); }

Answer MessageBoxQuestions::askReplaceFile(const QString &text) { return ask(text); }

Answer MessageBoxQuestions::askWriteChanged(const QString &text)
{
    QMessageBox box(QMessageBox::Question,
                    QCoreApplication::translate("qm::MessageBoxQuestions", "Предупреждение"), text,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("changedFilesQuestion"));
    // Writing them would put the rows' older cells over another program's
    // change: Enter and Escape leave them alone.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return toAnswer(box.exec());
}

void MessageBoxQuestions::showError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, WriteMessage::ErrorCaption(), text, QMessageBox::Ok,
                    parent_);
    box.setObjectName(QStringLiteral("writeError"));
    box.exec();
}

} // namespace qm
