#include "jobs/writequestions.h"

namespace qm {

WriteQuestions::~WriteQuestions() = default;

Answer WriteQuestions::askWriteChanged(const QString &) { return Answer::No; }

Answer FixedAnswers::askCreateFolder(const QString &text)
{
    folderQuestions.append(text);
    return folders;
}

Answer FixedAnswers::askReplaceFile(const QString &text)
{
    fileQuestions.append(text);
    return files;
}

Answer FixedAnswers::askWriteChanged(const QString &text)
{
    changedQuestions.append(text);
    return changed;
}

void FixedAnswers::showError(const QString &text) { errors.append(text); }

} // namespace qm
