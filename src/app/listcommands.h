#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace qm {

class IniFile;
class TfrmSpecList;
class TfrmTagEditor;

// The list commands of the main window: aNewList, aOpenList, aAddList,
// aSaveList with their file dialogs and error boxes, aSpecList with its
// dialog, and the session's view requests while a list is read or written.
class ListCommands : public QObject {
    Q_OBJECT
public:
    // What a file dialog is asked and answers (an empty path: cancelled).
    struct FileRequest {
        QString title;
        QStringList filters; // Qt filter texts, in the order of their entries
        int filter = 0;      // the entry chosen first
        bool save = false;
        QString defaultName;
    };
    struct FileChoice {
        QString path;
        int filter = 0;
    };
    using FileDialog = std::function<FileChoice(const FileRequest &)>;
    using ErrorBox = std::function<void(const QString &message)>;

    explicit ListCommands(TfrmTagEditor &window);

    // Tests answer the dialogs and collect the messages; nullptr restores
    // the real ones.
    void setFileDialog(FileDialog dialog);
    void setErrorBox(ErrorBox box);

    TfrmSpecList &specListDialog() const { return *specList_; }
    void readSettings(const IniFile &ini);
    void writeSettings(IniFile &ini) const;

    void newListExecute();
    // aOpenList (the table emptied first) and aAddList.
    void openListExecute(bool emptyFirst);
    // `filter`: the entry the save dialog starts with (1, the special list,
    // when the special-list dialog hands over).
    void saveListExecute(int filter = 0);

    static QStringList openFilters();
    static QStringList saveFilters();

private:
    void connectViews();
    FileChoice ask(const FileRequest &request);

    TfrmTagEditor &window_;
    TfrmSpecList *specList_;
    FileDialog fileDialog_;
    ErrorBox errorBox_;
};

} // namespace qm
