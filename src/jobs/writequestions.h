#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// The answers of the warning boxes, each with Yes, No, Yes to all and No to
// all.
enum class Answer { Yes, No, YesToAll, NoToAll };

// A question a job may ask for many files: "Yes to all" and "No to all"
// answer it for the rest of the job, Yes and No for the one file.
class RememberedAnswer {
public:
    // Whether the answer is yes: the one kept for all files, else what
    // `ask` returns (kept when it is one for all).
    template <typename Ask> bool yes(Ask ask)
    {
        if (all_)
            return *all_ == Answer::YesToAll;
        const Answer answer = ask();
        if (answer == Answer::YesToAll || answer == Answer::NoToAll)
            all_ = answer;
        return answer == Answer::Yes || answer == Answer::YesToAll;
    }

private:
    std::optional<Answer> all_;
};

// What the write job asks and tells the user. The window answers with
// message boxes; the command line and the tests give fixed answers. Called
// on the thread that owns the job runner.
class WriteQuestions {
public:
    virtual ~WriteQuestions();
    // The new folder of a row does not exist: create it?
    virtual Answer askCreateFolder(const QString &text) = 0;
    // A different file holds the new name: replace it?
    virtual Answer askReplaceFile(const QString &text) = 0;
    // Files changed by another program since their rows were read: write
    // them anyway? Only Yes writes them; whoever cannot ask leaves them.
    virtual Answer askWriteChanged(const QString &text);
    // An error box (caption "Ошибка", error icon, OK).
    virtual void showError(const QString &text) = 0;
};

// Answers every question the same way and keeps what was asked.
class FixedAnswers : public WriteQuestions {
public:
    explicit FixedAnswers(Answer folders = Answer::Yes, Answer files = Answer::No)
        : folders(folders), files(files)
    {}
    Answer askCreateFolder(const QString &text) override;
    Answer askReplaceFile(const QString &text) override;
    Answer askWriteChanged(const QString &text) override;
    void showError(const QString &text) override;

    Answer folders;
    Answer files;
    Answer changed = Answer::No;
    QStringList folderQuestions;
    QStringList fileQuestions;
    QStringList changedQuestions;
    QStringList errors;
};

} // namespace qm
