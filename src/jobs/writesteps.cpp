#include "jobs/writesteps.h"

#include "jobs/fileops.h"
#include "jobs/readkinds.h"

#include <QFile>

#include <sys/stat.h>

namespace qm {

namespace {

using F = FieldNumber;

const QString &cell(const Row &row, F f)
{
    return row[size_t(toInt(f))];
}

QString &cell(Row &row, F f)
{
    return row[size_t(toInt(f))];
}

bool isBlank(QStringView text)
{
    for (QChar ch : text) {
        if (!ch.isSpace())
            return false;
    }
    return true;
}

// "message. addition", or the addition alone.
void appendMessage(QString &message, const QString &addition)
{
    if (!message.isEmpty())
        message += QLatin1String(". ");
    message += addition;
}

// The tag classes make a read-only file writable before they write; when
// the write then fails, the file gets its old mode back, so that a failed
// write leaves no trace at all.
template <typename Save>
bool saveKeepingMode(const QString &fileName, Save save)
{
    const QByteArray name = QFile::encodeName(fileName);
    struct stat before {};
    const bool known = stat(name.constData(), &before) == 0;
    if (save())
        return true;
    struct stat after {};
    if (known && stat(name.constData(), &after) == 0 && after.st_mode != before.st_mode)
        chmod(name.constData(), before.st_mode & 07777);
    return false;
}

} // namespace

namespace WriteMessage {
QString CreateFolderQuestion(const QString &folder)
{
    return QStringLiteral(u"Папка ") + folder
           + QStringLiteral(u" не существует. \nСоздать новую папку?");
}

QString ReplaceFileQuestion(const QString &path)
{
    return QStringLiteral(u"Файл ") + path
           + QStringLiteral(u" уже существует.\nЗаменить существующий файл?");
}
} // namespace WriteMessage

bool HasForbiddenFirst(QStringView text)
{
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            break;
        }
    }
    return false;
}

bool HasForbiddenSecond(QStringView text)
{
    return text.contains(QLatin1Char(':')) || text.contains(QLatin1Char('\\'));
}

WriteSettings WriteSettings::From(const Options &options, qm::TagView tagView, bool moveFiles)
{
    WriteSettings settings;
    settings.ReadLyrics2 = options.readLyrics2();
    settings.TagView = int(tagView);
    settings.MoveFiles = moveFiles;
    return settings;
}

WriteQuestions::~WriteQuestions() = default;

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

void FixedAnswers::showError(const QString &text)
{
    errors.append(text);
}

QStringList ErrorTable::entry(const Row &row, const ColumnLayout &layout, const QString &message)
{
    QStringList cells;
    cells.reserve(kColumnCount + 1);
    for (int position = 0; position < kColumnCount; ++position)
        cells.append(row[size_t(toInt(layout.fieldAt(position)))]);
    cells.append(message);
    return cells;
}

bool WriteTag1Step(TID3v1 &tag, const Row &row, const QString &fileName)
{
    const bool useLyrics2 = tag.UseLyrics2;
    tag.ResetData();
    tag.UseLyrics2 = useLyrics2;
    tag.FSetTitle(cell(row, F::Tit));
    tag.FSetArtist(cell(row, F::Art));
    tag.FSetAlbum(cell(row, F::Alb));
    tag.FSetComment(cell(row, F::Com));
    bool isNumber = false;
    const int track = cell(row, F::Trc).toInt(&isNumber);
    tag.FSetTrack(quint8(isNumber ? track & 0xFF : 0));
    tag.FSetYear(cell(row, F::Yea).left(4));
    tag.FSetGenre(cell(row, F::Gen));
    // The Lyrics3 fields are the row's own, whatever long forms the setters
    // derived from the short fields.
    tag.LyricsAuthor = cell(row, F::Cop);
    tag.ExtTitle = cell(row, F::Tt1);
    tag.ExtArtist = cell(row, F::Ope);
    tag.ExtAlbum = cell(row, F::Oal);
    tag.Comment2 = cell(row, F::Ory);
    tag.Lyrics = cell(row, F::Slt);
    return saveKeepingMode(fileName, [&] { return tag.SaveToFile(fileName); });
}

bool WriteTag2Step(TID3v2 &tag, const Row &row, const QString &fileName)
{
    tag.ResetData();
    tag.FSetTitle(cell(row, F::Tit));
    tag.FSetArtist(cell(row, F::Art));
    tag.FSetAlbum(cell(row, F::Alb));
    tag.FSetComment(cell(row, F::Com));
    tag.FSetTrackString(cell(row, F::Trc));
    tag.FSetYear(cell(row, F::Yea));
    tag.FSetGenre(cell(row, F::Gen));
    tag.FSetComposer(cell(row, F::Cmp));
    tag.FSetEncoder(cell(row, F::Enc));
    tag.FSetCopyright(cell(row, F::Cop));
    tag.FSetLanguage(cell(row, F::Lan));
    tag.FSetLink(cell(row, F::Xxx));
    tag.FSetOrigYear(cell(row, F::Ory));
    tag.FSetOrigArtist(cell(row, F::Ope));
    tag.FSetOrigTitle(cell(row, F::Tt1));
    tag.FSetOrigAlbum(cell(row, F::Oal));
    tag.FSetLyrics(cell(row, F::Slt));
    return saveKeepingMode(fileName, [&] { return tag.SaveToFile(fileName); });
}

RowWriter::RowWriter(const WriteSettings &settings, AskFolder askFolder, AskReplace askReplace)
    : m_settings(settings), m_askFolder(std::move(askFolder)), m_askReplace(std::move(askReplace))
{
    m_tag1.UseLyrics2 = settings.ReadLyrics2;
}

bool RowWriter::writeTag(int version, const Row &row, const QString &fileName)
{
    return version == 1 ? WriteTag1Step(m_tag1, row, fileName)
                        : WriteTag2Step(m_tag2, row, fileName);
}

RowOutcome RowWriter::writeTags(int kind, Row &row)
{
    RowOutcome outcome;
    QString &dir = cell(row, F::Dir);
    const QString &oldName = cell(row, F::Old);
    if (HasForbiddenFirst(QString(dir + oldName + cell(row, F::Ext)))) {
        outcome.message = WriteMessage::ForbiddenFirst;
        outcome.failed = true;
    }
    if (!outcome.failed && !dir.isEmpty()
        && HasForbiddenSecond(QString(oldName + cell(row, F::New)))) {
        outcome.message = WriteMessage::ForbiddenSecond;
        outcome.failed = true;
        return outcome;
    }
    const QString fileName = BuildFileName(dir, oldName, cell(row, F::Ext));
    if (!FileExists(fileName)) {
        outcome.message = WriteMessage::NoFile;
        outcome.failed = true;
    }
    if (!outcome.failed && !writeTag(kind == WriteTag1Kind ? 1 : 2, row, fileName)) {
        appendMessage(outcome.message, WriteMessage::TagNotChanged);
        outcome.failed = true;
    }
    return outcome;
}

bool RowWriter::prepareTarget(const QString &newFolder, const QString &newPath,
                              const QString &oldPath, QString &message, bool &replace)
{
    // Rows of one folder follow each other: its existence is looked up once.
    if (newFolder != m_knownFolder && !FolderExists(newFolder)) {
        if (CreateNoFolders) {
            message = WriteMessage::NoNewFolder;
            return false;
        }
        if (!CreateAllFolders) {
            switch (m_askFolder(newFolder)) {
            case Answer::No:
                message = WriteMessage::NoNewFolder;
                return false;
            case Answer::NoToAll:
                message = WriteMessage::NoNewFolder;
                CreateNoFolders = true;
                return false;
            case Answer::YesToAll:
                CreateAllFolders = true;
                break;
            case Answer::Yes:
                break;
            }
        }
        if (!CreateFolders(newFolder)) {
            message = WriteMessage::CannotCreateFolder;
            return false;
        }
        message.clear();
    }
    m_knownFolder = newFolder;
    // The file system decides whether the new name is another file: a
    // change of letter case only, on a file system that ignores case, is
    // the same file and needs no question.
    if (FileExists(newPath) && !SameFile(oldPath, newPath)) {
        message = WriteMessage::TargetExists;
        if (ReplaceNone)
            return false;
        if (!ReplaceAll) {
            switch (m_askReplace(newPath)) {
            case Answer::No:
                return false;
            case Answer::NoToAll:
                ReplaceNone = true;
                return false;
            case Answer::YesToAll:
                ReplaceAll = true;
                break;
            case Answer::Yes:
                break;
            }
        }
        // The existing file goes in the same step as the new one takes its
        // name, so there is no moment without either of them.
        replace = true;
        message.clear();
    }
    return true;
}

RowOutcome RowWriter::apply(Row &row)
{
    RowOutcome outcome;
    QString &dir = cell(row, F::Dir);
    const QString oldName = cell(row, F::Old);
    const QString newName = cell(row, F::New);
    const QString &ext = cell(row, F::Ext);
    bool fileKept = true;
    bool replace = false;
    QString oldPath;
    QString newPath;

    if (HasForbiddenFirst(QString(dir + oldName + newName + ext))) {
        outcome.message = WriteMessage::ForbiddenFirst;
        outcome.failed = true;
    } else if (!dir.isEmpty() && HasForbiddenSecond(QString(oldName + newName))) {
        outcome.message = WriteMessage::ForbiddenSecond;
        outcome.failed = true;
    } else {
        oldPath = BuildFileName(dir, oldName, ext);
        newPath = dir + WithExtension(newName, ext);
        const qsizetype slash = newPath.lastIndexOf(QLatin1Char('/'));
        const QString newFolder = slash < 0 ? QString() : newPath.left(slash + 1);
        if (!FileExists(oldPath)) {
            outcome.message = WriteMessage::NoFile;
            outcome.failed = true;
        } else if (newFolder.isEmpty()
                   || isBlank(QStringView(newName).mid(newName.lastIndexOf(QLatin1Char('/')) + 1))) {
            // A blank new name would turn the file into a hidden ".ext"
            // that the next such row replaces: there is no new name.
            outcome.message = WriteMessage::NoNewPath;
        } else if (prepareTarget(newFolder, newPath, oldPath, outcome.message, replace)) {
            fileKept = false;
        }
    }

    if (!outcome.failed) {
        const int version = m_settings.TagView;
        if ((version == 1 || version == 2) && !writeTag(version, row, oldPath)) {
            appendMessage(outcome.message, WriteMessage::TagNotChanged);
            outcome.failed = true;
        }
    }

    if (!fileKept) {
        const bool done = m_settings.MoveFiles ? RenameFile(oldPath, newPath, replace)
                                               : CopyFileTo(oldPath, newPath, replace);
        if (done) {
            std::swap(cell(row, F::Old), cell(row, F::New));
            outcome.renamed = true;
        } else {
            fileKept = true;
            if (replace) {
                QString message = WriteMessage::CannotReplace;
                if (!outcome.message.isEmpty())
                    message += QLatin1String(". ") + outcome.message;
                outcome.message = message;
            }
        }
    }

    if (fileKept || outcome.failed) {
        if (outcome.message.isEmpty())
            outcome.message = WriteMessage::ChangeImpossible;
        outcome.failed = true;
    }
    return outcome;
}

} // namespace qm
