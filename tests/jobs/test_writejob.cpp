#include "jobs/jobrunner.h"
#include "jobs/renameplan.h"
#include "jobs/readjob.h"
#include "jobs/tagwrite.h"
#include "jobs/writejob.h"
#include "journal/journal.h"
#include "table/rowtable.h"

#include "formats/id3v1.h"
#include "formats/id3v2.h"

#include "testfiles.h"
#include "waitidle.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>

#include <map>

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;
using F = FieldNumber;

namespace {

QString id3v2Title(const QString &path)
{
    TID3v2 tag;
    return tag.ReadFromFile(path) ? tag.FGetTitle() : QString();
}

class WriteJobTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString &name) const { return dir_.file(name); }
    // A row for the file Old.Ext in the test folder (created with `bytes`
    // unless null); the folder is given without its trailing "/".
    int addRow(const QString &oldName, const QString &newName,
               const QByteArray &bytes = "audio data")
    {
        if (!bytes.isNull()) {
            EXPECT_TRUE(test::writeAll(path(oldName + u".mp3"_qs), bytes));
        }
        const int row = table_.appendFileRow(dir_.path(), oldName);
        table_.setCell(row, F::Ext, u"mp3"_qs);
        table_.setCell(row, F::New, newName);
        table_.setCell(row, F::Tit, u"Title "_qs + newName);
        return row;
    }
    void run(WriteKind kind, int first = 1, int last = -1)
    {
        auto job = std::make_shared<WriteJob>(table_, first, last < 0 ? table_.lastFileRow() : last,
                                              kind, settings_, answers_);
        runner_.start(JobKind::Update, job, [this, job] {
            errors_ = job->errorTable();
            runner_.setControlsEnabled(true);
        });
        ASSERT_TRUE(WaitUntilIdle(runner_));
    }
    // The message of each failed row, in order.
    QStringList messages() const
    {
        QStringList list;
        for (const QStringList &row : errors_.rows)
            list << row.last();
        return list;
    }
    QString cell(int row, F f) const { return table_.cell(row, f); }
    // A row for `fileName` (with its extension), split as the add job does.
    int addFileRow(const QString &fileName, const QString &newName)
    {
        const int row = table_.appendFileRow(dir_.path(), fileName);
        table_.splitAddedNames(row, row);
        table_.setCell(row, F::New, newName);
        return row;
    }
    // Copies of one short MP3 made by lame, each tagged by `tool` with its
    // arguments (no tool: untagged).
    struct Sample {
        QString name;
        QString tool;
        QStringList args;
    };
    void makeSamples(const std::vector<Sample> &samples)
    {
        const QString base = path(u"base.bin"_qs);
        if (!QFile::exists(base)) {
            QString error;
            ASSERT_TRUE(test::makeMp3(base, {0.2}, &error)) << error.toStdString();
        }
        for (const Sample &sample : samples) {
            QFile::remove(path(sample.name));
            ASSERT_TRUE(QFile::copy(base, path(sample.name)));
            if (sample.tool.isEmpty())
                continue;
            const test::CommandResult tagged =
                test::runCommand(sample.tool, sample.args + QStringList{path(sample.name)});
            ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
        }
    }
    // Reads the tag of `version` into the rows as the window does.
    void readTags(int version, const ReadSettings &settings)
    {
        ReadSettings read = settings;
        read.TagView = version;
        runner_.start(JobKind::Update,
                      std::make_shared<ReadJob>(table_, 1, table_.lastFileRow(),
                                                version == 1 ? ReadKind::Tag1 : ReadKind::Tag2,
                                                read),
                      [this] { runner_.setControlsEnabled(true); });
        ASSERT_TRUE(WaitUntilIdle(runner_));
    }
    QStringList files(const QString &folder = {}) const
    {
        return QDir(folder.isEmpty() ? dir_.path() : path(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    test::TempFolder dir_;
    RowTable table_;
    JobRunner runner_;
    FixedAnswers answers_;
    WriteSettings settings_;
    ErrorTable errors_;
};

} // namespace

TEST_F(WriteJobTest, RowsWithForbiddenCharactersOrWithoutTheirFileAreListedUntouched)
{
    settings_.TagView = 2;
    const int question = addRow(u"a"_qs, u"what?"_qs);
    addRow(u"b"_qs, u"b:c"_qs);
    addRow(u"c"_qs, u"x\\y"_qs);
    const int missing = addRow(u"d"_qs, u"e"_qs, QByteArray());
    const int fine = addRow(u"f"_qs, u"g"_qs);
    run(WriteKind::Apply);

    EXPECT_EQ(messages(),
              (QStringList{WriteMessage::ForbiddenFirst(), WriteMessage::ForbiddenSecond(),
                           WriteMessage::ForbiddenSecond(), WriteMessage::NoFile()}));
    EXPECT_EQ(files(), (QStringList{u"a.mp3"_qs, u"b.mp3"_qs, u"c.mp3"_qs, u"g.mp3"_qs}));
    for (const QString &name : {u"a.mp3"_qs, u"b.mp3"_qs, u"c.mp3"_qs})
        EXPECT_EQ(test::readAll(path(name)), QByteArray("audio data")) << name.toStdString();
    // Only a row that got as far as its file name has its folder mended.
    EXPECT_EQ(cell(question, F::Dir), dir_.path());
    EXPECT_EQ(cell(missing, F::Dir), dir_.path() + u'/');
    EXPECT_EQ(cell(fine, F::Old), u"g"_qs);
    EXPECT_EQ(id3v2Title(path(u"g.mp3"_qs)), u"Title g"_qs);
    EXPECT_EQ(runner_.status(), u"Обработано файлов: 5/5"_qs);
    EXPECT_EQ(runner_.progress(), 100);
}

TEST_F(WriteJobTest, FailedRowsCarryTheirCellsAtTheirPositionsAndTheMessageLast)
{
    ColumnLayout layout = table_.layout();
    const int oldPosition = layout.position(F::Old);
    const int newPosition = layout.position(F::New);
    ASSERT_TRUE(layout.move(newPosition, oldPosition)); // New now left of Old
    table_.setLayout(layout);
    addRow(u"ok"_qs, u"renamed"_qs);
    const int row = addRow(u"bad"_qs, u"bad|name"_qs);
    table_.setCell(row, F::Art, u"Artist"_qs);
    run(WriteKind::Apply);

    ASSERT_EQ(errors_.rows.size(), 1u);
    const QStringList &entry = errors_.rows.front();
    ASSERT_EQ(entry.size(), kColumnCount + 1);
    EXPECT_EQ(entry[oldPosition], u"bad|name"_qs);
    EXPECT_EQ(entry[newPosition], u"bad"_qs);
    EXPECT_EQ(entry[layout.position(F::Art)], u"Artist"_qs);
    EXPECT_EQ(entry[layout.position(F::Dir)], dir_.path());
    EXPECT_EQ(entry.last(), WriteMessage::ForbiddenFirst());
}

TEST_F(WriteJobTest, BlankNewNamesAreNoNames)
{
    const int row = addRow(u"a"_qs, u"  "_qs);
    const int empty = addRow(u"b"_qs, QString());
    run(WriteKind::Apply);
    EXPECT_EQ(answers_.errors, QStringList{u"Напишите новые имена файлов."_qs});
    EXPECT_TRUE(errors_.rows.empty());
    EXPECT_EQ(cell(row, F::Old), u"a"_qs);

    // Once one row has a name, the others are listed instead of becoming
    // hidden ".mp3" files.
    table_.setCell(empty, F::New, u"Sub/"_qs);
    addRow(u"c"_qs, u"x"_qs);
    // A template over empty fields leaves dots and blanks: a hidden name.
    addRow(u"d"_qs, u". "_qs);
    addRow(u"e"_qs, u"Sub/. ."_qs);
    run(WriteKind::Apply);
    EXPECT_EQ(messages(), QStringList(4, WriteMessage::NoNewName()));
    EXPECT_TRUE(answers_.folderQuestions.isEmpty());
    EXPECT_EQ(files(),
              (QStringList{u"a.mp3"_qs, u"b.mp3"_qs, u"d.mp3"_qs, u"e.mp3"_qs, u"x.mp3"_qs}));
}

TEST_F(WriteJobTest, FolderAnswersAndTheirMemoryForTheRestOfTheJob)
{
    settings_.TagView = 2;
    addRow(u"a"_qs, u"One/a"_qs);
    addRow(u"b"_qs, u"Two/b"_qs);
    addRow(u"c"_qs, u"c2"_qs); // needs no folder
    addRow(u"d"_qs, u"Three/d"_qs);
    answers_.folders = Answer::No;
    run(WriteKind::Apply);
    const QStringList refused(3, WriteMessage::NoNewFolder());
    EXPECT_EQ(messages(), refused);
    EXPECT_EQ(answers_.folderQuestions.size(), 3);
    EXPECT_TRUE(QFile::exists(path(u"a.mp3"_qs)));
    EXPECT_EQ(id3v2Title(path(u"a.mp3"_qs)), u"Title One/a"_qs); // the tag still goes
    EXPECT_TRUE(QFile::exists(path(u"c2.mp3"_qs)));

    answers_.folderQuestions.clear();
    answers_.folders = Answer::NoToAll;
    run(WriteKind::Apply); // c goes back to its old name
    EXPECT_EQ(answers_.folderQuestions.size(), 1);
    EXPECT_EQ(messages(), refused);

    answers_.folderQuestions.clear();
    answers_.folders = Answer::YesToAll;
    run(WriteKind::Apply);
    EXPECT_EQ(answers_.folderQuestions.size(), 1);
    EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    for (const QString &name : {u"One/a.mp3"_qs, u"Two/b.mp3"_qs, u"c2.mp3"_qs, u"Three/d.mp3"_qs})
        EXPECT_TRUE(QFile::exists(path(name))) << name.toStdString();
}

TEST_F(WriteJobTest, TheFileSystemDecidesWhetherANameDifferingInCaseIsTaken)
{
    const int caseOnly = addRow(u"song"_qs, u"Song"_qs, "song data");
    addRow(u"track"_qs, u"Track"_qs, "track data");
    if (QFile::exists(path(u"SONG.mp3"_qs)))
        GTEST_SKIP() << "the temporary folder ignores letter case";
    ASSERT_TRUE(test::writeAll(path(u"Track.mp3"_qs), "other"));
    answers_.files = Answer::No;
    run(WriteKind::Apply);
    EXPECT_EQ(answers_.fileQuestions.size(), 1); // only about the other file
    EXPECT_EQ(messages(), QStringList{WriteMessage::TargetExists()});
    EXPECT_EQ(cell(caseOnly, F::Old), u"Song"_qs);
    EXPECT_EQ(files(), (QStringList{u"Song.mp3"_qs, u"Track.mp3"_qs, u"track.mp3"_qs}));
    EXPECT_EQ(test::readAll(path(u"Track.mp3"_qs)), QByteArray("other"));
}

TEST_F(WriteJobTest, MovesIntoSubfoldersAfterAskingAndSwapsOldAndNew)
{
    const int row = addRow(u"song"_qs, u"Sub/Deeper/Name"_qs);
    answers_.folders = Answer::Yes;
    run(WriteKind::Apply);

    EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    EXPECT_EQ(answers_.folderQuestions,
              QStringList{u"Папка "_qs + dir_.path()
                          + u"/Sub/Deeper/ не существует. \nСоздать новую папку?"_qs});
    EXPECT_EQ(files(u"Sub/Deeper"_qs), QStringList{u"Name.mp3"_qs});
    EXPECT_EQ(cell(row, F::Old), u"Sub/Deeper/Name"_qs);
    EXPECT_EQ(cell(row, F::New), u"song"_qs);
}

TEST_F(WriteJobTest, NamesWithoutExtensionAreRenamedWithoutAddingADot)
{
    ASSERT_TRUE(test::writeAll(path(u"README"_qs), "text"));
    const int row = table_.appendFileRow(dir_.path(), u"README"_qs);
    table_.setCell(row, F::New, u"NOTES"_qs);
    run(WriteKind::Apply);

    EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    EXPECT_EQ(files(), QStringList{u"NOTES"_qs});
    EXPECT_EQ(cell(row, F::Old), u"NOTES"_qs);
}

TEST_F(WriteJobTest, AFolderThatCannotBeCreatedIsListed)
{
    ASSERT_TRUE(test::writeAll(path(u"plain"_qs), "not a folder"));
    addRow(u"a"_qs, u"plain/Sub/a"_qs);
    run(WriteKind::Apply);
    EXPECT_EQ(messages(), QStringList{WriteMessage::CannotCreateFolder()});
    EXPECT_TRUE(QFile::exists(path(u"a.mp3"_qs)));
}

TEST_F(WriteJobTest, ExistingFilesAreKeptOrReplacedByTheAnswers)
{
    settings_.TagView = 2;
    const int kept = addRow(u"a"_qs, u"taken1"_qs, "new a data");
    addRow(u"b"_qs, u"taken2"_qs, "new b data");
    ASSERT_TRUE(test::writeAll(path(u"taken1.mp3"_qs), "old 1"));
    ASSERT_TRUE(test::writeAll(path(u"taken2.mp3"_qs), "old 2"));

    answers_.files = Answer::No;
    run(WriteKind::Apply);
    EXPECT_EQ(messages(),
              (QStringList{WriteMessage::TargetExists(), WriteMessage::TargetExists()}));
    EXPECT_EQ(answers_.fileQuestions.first(),
              u"Файл "_qs + dir_.path()
                  + u"/taken1.mp3 уже существует.\nЗаменить существующий файл?"_qs);
    EXPECT_EQ(test::readAll(path(u"taken1.mp3"_qs)), QByteArray("old 1"));
    EXPECT_EQ(cell(kept, F::Old), u"a"_qs);
    EXPECT_EQ(id3v2Title(path(u"a.mp3"_qs)), u"Title taken1"_qs); // the tag still goes

    answers_.fileQuestions.clear();
    answers_.files = Answer::NoToAll;
    run(WriteKind::Apply);
    EXPECT_EQ(answers_.fileQuestions.size(), 1);
    EXPECT_EQ(messages().size(), 2);

    answers_.fileQuestions.clear();
    answers_.files = Answer::YesToAll;
    run(WriteKind::Apply);
    EXPECT_EQ(answers_.fileQuestions.size(), 1);
    EXPECT_TRUE(errors_.rows.empty());
    EXPECT_EQ(files(), (QStringList{u"taken1.mp3"_qs, u"taken2.mp3"_qs}));
    EXPECT_TRUE(test::readAll(path(u"taken1.mp3"_qs)).endsWith("new a data"));
    EXPECT_EQ(cell(kept, F::Old), u"taken1"_qs);
}

TEST_F(WriteJobTest, CopyModeCopiesAndNeverCopiesOntoTheFileItself)
{
    settings_.MoveFiles = false;
    settings_.TagView = 2;
    const int same = addRow(u"same"_qs, u"same"_qs);
    const int copied = addRow(u"a"_qs, u"Sub/b"_qs);
    answers_.folders = Answer::Yes;
    run(WriteKind::Apply);

    EXPECT_EQ(messages(), QStringList{WriteMessage::ChangeImpossible()});
    EXPECT_EQ(cell(same, F::Old), u"same"_qs);
    EXPECT_EQ(id3v2Title(path(u"same.mp3"_qs)), u"Title same"_qs); // tag written
    EXPECT_TRUE(QFile::exists(path(u"a.mp3"_qs)));
    EXPECT_EQ(test::readAll(path(u"Sub/b.mp3"_qs)), test::readAll(path(u"a.mp3"_qs)));
    EXPECT_EQ(cell(copied, F::Old), u"Sub/b"_qs);
    EXPECT_EQ(cell(copied, F::New), u"a"_qs);
    EXPECT_EQ(files(), (QStringList{u"Sub"_qs, u"a.mp3"_qs, u"same.mp3"_qs}));
}

TEST_F(WriteJobTest, AFailedReplaceIsListed)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"locked"_qs));
    ASSERT_TRUE(test::writeAll(path(u"locked/x.mp3"_qs), "x"));
    addRow(u"a"_qs, u"locked/x"_qs);
    const bool root = geteuid() == 0;
    if (root && !test::setImmutable(path(u"locked"_qs), true))
        GTEST_SKIP() << "root writes into a read-only folder, and this one cannot be immutable";
    if (!root) {
        ASSERT_TRUE(QFile::setPermissions(path(u"locked"_qs), QFile::ReadOwner | QFile::ExeOwner));
    }
    answers_.files = Answer::Yes;
    run(WriteKind::Apply);
    if (root)
        test::setImmutable(path(u"locked"_qs), false);
    else
        QFile::setPermissions(path(u"locked"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The reason follows where the system names one (the immutable folder's).
    const QStringList listed = messages();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_TRUE(listed[0].startsWith(WriteMessage::CannotReplace())) << listed[0].toStdString();
    EXPECT_EQ(test::readAll(path(u"locked/x.mp3"_qs)), QByteArray("x"));
    EXPECT_TRUE(QFile::exists(path(u"a.mp3"_qs)));
}

TEST_F(WriteJobTest, TagWriteFailuresLeaveTheFileAsItWas)
{
    // A Lyrics3 field cannot be longer than 99999 bytes, and an ID3v2 tag
    // cannot be put in front of a file of fewer than 10 bytes: both fail
    // whatever the user's rights.
    settings_.TagView = 1;
    const int lyrics = addRow(u"long"_qs, u"long2"_qs, QByteArray(2000, 'a'));
    table_.setCell(lyrics, F::Slt, QString(100000, u'l'));
    run(WriteKind::Apply);
    const QString tooLong = WriteMessage::Lyrics3FieldTooLong() + u". "_qs;
    EXPECT_EQ(messages(), QStringList{tooLong + WriteMessage::TagNotChanged()});
    // The rename happened all the same; the row is listed for its tag.
    EXPECT_EQ(test::readAll(path(u"long2.mp3"_qs)), QByteArray(2000, 'a'));
    EXPECT_EQ(cell(lyrics, F::Old), u"long2"_qs);

    table_.removeAllFileRows();
    const int tiny = addRow(u"tiny"_qs, u"tiny"_qs, "12345");
    ASSERT_TRUE(QFile::setPermissions(path(u"tiny.mp3"_qs), QFile::ReadOwner));
    const QFile::Permissions before = QFile::permissions(path(u"tiny.mp3"_qs));
    run(WriteKind::Tag2);
    EXPECT_EQ(messages(), QStringList{WriteMessage::TagNotChanged()});
    EXPECT_EQ(test::readAll(path(u"tiny.mp3"_qs)), QByteArray("12345"));
    EXPECT_EQ(QFile::permissions(path(u"tiny.mp3"_qs)), before);
    EXPECT_EQ(cell(tiny, F::Old), u"tiny"_qs);

    // A copy that fails as well is named beside the tag.
    table_.removeAllFileRows();
    settings_.MoveFiles = false;
    const int both = addRow(u"long2"_qs, u"long2"_qs, QByteArray());
    table_.setCell(both, F::Slt, QString(100000, u'l'));
    run(WriteKind::Apply);
    EXPECT_EQ(messages(), QStringList{WriteMessage::ChangeImpossible() + u". "_qs + tooLong
                                      + WriteMessage::TagNotChanged()});
}

TEST_F(WriteJobTest, TagKindsCheckTheRowsAndNeverRenameOrTouchTheBlankRow)
{
    addRow(u"a|b"_qs, u"x"_qs, QByteArray()); // forbidden and missing: missing wins
    const int bad = addRow(u"c|d"_qs, u"x"_qs);
    addRow(u"e"_qs, u"f:g"_qs);
    const int good = addRow(u"h"_qs, u"other"_qs, QByteArray(200, 'h'));
    run(WriteKind::Tag2, 1, table_.blankRow());
    EXPECT_EQ(messages(), (QStringList{WriteMessage::NoFile(), WriteMessage::ForbiddenFirst(),
                                       WriteMessage::ForbiddenSecond()}));
    EXPECT_EQ(test::readAll(path(u"c|d.mp3"_qs)), QByteArray("audio data"));
    EXPECT_EQ(cell(bad, F::Old), u"c|d"_qs);
    EXPECT_EQ(cell(good, F::Old), u"h"_qs);
    EXPECT_EQ(id3v2Title(path(u"h.mp3"_qs)), u"Title other"_qs);
    EXPECT_EQ(runner_.status(), u"Обработано файлов: 4/4"_qs);
    EXPECT_TRUE(cell(table_.blankRow(), F::Dir).isEmpty());
}

TEST(WriteTagSteps, Id3v1TakesTheNumberOfTrackAndFourCharactersOfYear)
{
    test::TempFolder dir;
    const QString file = dir.file(u"a.mp3"_qs);
    ASSERT_TRUE(test::writeAll(file, QByteArray(1000, 'x')));
    Row row;
    row[size_t(toInt(F::Tit))] = u"Title"_qs;
    row[size_t(toInt(F::Trc))] = u"3/12"_qs;
    row[size_t(toInt(F::Yea))] = u"19995"_qs;
    row[size_t(toInt(F::Gen))] = u"Rock"_qs;
    TID3v1 tag;
    ASSERT_TRUE(WriteTag1Step(tag, row, file));
    TID3v1 read;
    ASSERT_TRUE(read.ReadFromFile(file));
    EXPECT_EQ(read.FGetTrack(), 0);
    EXPECT_EQ(read.FGetYear(), u"1999"_qs);
    EXPECT_EQ(read.FGetGenre(), u"Rock"_qs);

    row[size_t(toInt(F::Trc))] = u"263"_qs; // the low 8 bits
    ASSERT_TRUE(WriteTag1Step(tag, row, file));
    ASSERT_TRUE(read.ReadFromFile(file));
    EXPECT_EQ(read.FGetTrack(), 7);
    EXPECT_EQ(read.FGetTitle(), u"Title"_qs);
    EXPECT_EQ(test::readAll(file).left(1000), QByteArray(1000, 'x'));
}

TEST(WriteEndToEnd, NamesFromTheTagsAreAppliedToAGeneratedFolder)
{
    QM_REQUIRE_MUTAGEN();
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_TOOL("mid3v2");
    test::TempFolder dir;
    const QStringList titles{u"Утро"_qs, u"Day"_qs, u"Night"_qs};
    RowTable table;
    for (int i = 0; i < titles.size(); ++i) {
        const QString name = u"track0%1.mp3"_qs.arg(i + 1);
        ASSERT_TRUE(test::makeMp3(dir.file(name), {0.3}));
        const test::CommandResult tagged =
            test::runCommand(u"mid3v2"_qs, {u"-T"_qs, QString::number(i + 1), u"-t"_qs, titles[i],
                                            u"-a"_qs, u"Artist"_qs, dir.file(name)});
        ASSERT_TRUE(tagged.ok()) << tagged.err.toStdString();
        table.appendFileRow(dir.path(), name);
    }
    table.splitAddedNames(1, table.lastFileRow());

    JobRunner runner;
    ReadSettings read;
    read.TagView = 2;
    runner.start(JobKind::Update, std::make_shared<ReadJob>(table, 1, 3, ReadKind::Tag2, read),
                 [&] { runner.setControlsEnabled(true); });
    ASSERT_TRUE(WaitUntilIdle(runner));
    ASSERT_EQ(table.cell(1, F::Tit), u"Утро"_qs);

    for (int row = 1; row <= 3; ++row) {
        table.setCell(row, F::New, table.cell(row, F::Trc) + u". "_qs + table.cell(row, F::Tit));
    }
    table.setCell(3, F::New, u"Late/"_qs + table.cell(3, F::New));
    table.setCell(2, F::Art, u"Другой"_qs);
    table.setCell(1, F::Trc, QString());

    FixedAnswers answers(Answer::Yes, Answer::No);
    WriteSettings write;
    write.TagView = 2;
    auto job = std::make_shared<WriteJob>(table, 1, 3, WriteKind::Apply, write, answers);
    runner.start(JobKind::Update, job, [&] { runner.setControlsEnabled(true); });
    ASSERT_TRUE(WaitUntilIdle(runner));

    EXPECT_TRUE(job->errorTable().rows.empty());
    EXPECT_EQ(answers.folderQuestions.size(), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{u"1. Утро.mp3"_qs, u"2. Day.mp3"_qs}));
    EXPECT_EQ(table.cell(3, F::Old), u"Late/3. Night"_qs);
    EXPECT_EQ(table.cell(3, F::New), u"track03"_qs);

    const QJsonObject first = test::mutagenRead(dir.file(u"1. Утро.mp3"_qs));
    EXPECT_EQ(test::mutagenText(first, u"TIT2"_qs), u"Утро"_qs);
    EXPECT_EQ(test::mutagenText(first, u"TPE1"_qs), u"Artist"_qs);
    EXPECT_TRUE(test::mutagenText(first, u"TRCK"_qs).isNull());
    EXPECT_EQ(first.value(u"version"_qs).toString(), u"2.3.0"_qs);
    const QJsonObject second = test::mutagenRead(dir.file(u"2. Day.mp3"_qs));
    EXPECT_EQ(test::mutagenText(second, u"TPE1"_qs), u"Другой"_qs);
    EXPECT_EQ(test::mutagenText(second, u"TRCK"_qs), u"2"_qs);
    const QJsonObject third = test::mutagenRead(dir.file(u"Late/3. Night.mp3"_qs));
    EXPECT_EQ(test::mutagenText(third, u"TIT2"_qs), u"Night"_qs);
    EXPECT_GT(third.value(u"info"_qs).toObject().value(u"length"_qs).toDouble(), 0.2);
}

TEST_F(WriteJobTest, StopEndsTheJobAfterTheRowInHand)
{
    // Stop pressed while the first question is on screen.
    struct StopOnQuestion : FixedAnswers {
        Job *job = nullptr;
        Answer askCreateFolder(const QString &text) override
        {
            job->terminate();
            return FixedAnswers::askCreateFolder(text);
        }
    } answers;
    const int first = addRow(u"a"_qs, u"Sub/a"_qs);
    const int second = addRow(u"b"_qs, u"b2"_qs);
    auto job = std::make_shared<WriteJob>(table_, 1, 2, WriteKind::Apply, settings_, answers);
    answers.job = job.get();
    runner_.start(JobKind::Update, job, [this] { runner_.setControlsEnabled(true); });
    ASSERT_TRUE(WaitUntilIdle(runner_));
    EXPECT_EQ(cell(first, F::Old), u"Sub/a"_qs);
    EXPECT_EQ(cell(second, F::Old), u"b"_qs);
    EXPECT_EQ(files(), (QStringList{u"Sub"_qs, u"b.mp3"_qs}));
    EXPECT_EQ(runner_.status(), u"Обработано файлов: 1/2"_qs);
}

TEST_F(WriteJobTest, TagsGoOnlyToFilesTheReadingWouldRead)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_TOOL("id3v2");
    // song.mp3 and stream.bin hold MPEG audio, tagged.dat only a tag.
    const std::vector<Sample> samples{
        {u"song.mp3"_qs, {}, {}},
        {u"stream.bin"_qs, {}, {}},
    };
    const std::vector<std::pair<QString, QByteArray>> others{
        {u"cover.jpg"_qs, QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01 picture", 22)},
        {u"album.cue"_qs, "FILE \"song.mp3\" MP3\r\n  TRACK 01 AUDIO\r\n"},
        {u"notes.txt"_qs, "notes"},
    };
    const struct {
        bool formatRead;
        WriteKind kind;
        QStringList tagged;
    } cases[] = {
        {true, WriteKind::Tag2, {u"song.mp3"_qs}},
        {false, WriteKind::Tag2, {u"song.mp3"_qs, u"stream.bin"_qs, u"tagged.dat"_qs}},
        {true, WriteKind::Apply, {u"song.mp3"_qs}},
        {false, WriteKind::Apply, {u"song.mp3"_qs, u"stream.bin"_qs, u"tagged.dat"_qs}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.formatRead << " " << static_cast<int>(c.kind));
        table_.removeAllFileRows();
        for (const QString &name : files())
            QFile::remove(path(name));
        makeSamples(samples);
        ASSERT_TRUE(test::writeAll(path(u"tagged.dat"_qs), "text"));
        ASSERT_TRUE(
            test::runCommand(u"id3v2"_qs, {u"-2"_qs, u"-t"_qs, u"Old"_qs, path(u"tagged.dat"_qs)})
                .ok());
        QStringList names{u"tagged.dat"_qs};
        std::map<QString, QByteArray> before;
        for (const Sample &sample : samples)
            names << sample.name;
        for (const auto &[name, bytes] : others) {
            ASSERT_TRUE(test::writeAll(path(name), bytes));
            names << name;
        }
        for (const QString &name : names) {
            before[name] = test::readAll(path(name));
            const int row = addFileRow(name, u"new "_qs + name.section(u'.', 0, 0));
            table_.setCell(row, F::Tit, u"Title"_qs);
        }
        settings_.FormatRead = c.formatRead;
        settings_.TagView = 2;
        run(c.kind);

        const bool renamed = c.kind == WriteKind::Apply;
        const int untagged = int(names.size() - c.tagged.size());
        EXPECT_EQ(messages(),
                  renamed ? QStringList() : QStringList(untagged, WriteMessage::TagNotChanged()));
        EXPECT_EQ(runner_.status(), u"Обработано файлов: 6/6"_qs);
        for (const QString &name : names) {
            const QString now = renamed ? u"new "_qs + name : name;
            const QString file = path(now.section(u'.', 0, 0) + u'.' + now.section(u'.', 1));
            if (c.tagged.contains(name)) {
                EXPECT_EQ(id3v2Title(file), u"Title"_qs) << name.toStdString();
            } else {
                EXPECT_EQ(test::readAll(file), before[name]) << name.toStdString();
            }
        }
    }
}

TEST_F(WriteJobTest, ARowAlreadyAtItsNewNameIsDoneWhenMoving)
{
    settings_.TagView = 2;
    const int row = addRow(u"same"_qs, u"same"_qs);
    run(WriteKind::Apply);
    EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    EXPECT_EQ(cell(row, F::Old), u"same"_qs);
    EXPECT_EQ(id3v2Title(path(u"same.mp3"_qs)), u"Title same"_qs);
}

TEST_F(WriteJobTest, RenamingAloneLeavesEveryTagByteForByte)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_TOOL("mid3v2");
    QM_REQUIRE_TOOL("id3v2");
    QM_REQUIRE_MUTAGEN();
    const std::vector<Sample> samples{
        {u"v24.mp3"_qs, u"mid3v2"_qs, {u"-t"_qs, u"Four"_qs, u"-T"_qs, u"1/12"_qs}},
        {u"v23.mp3"_qs, u"id3v2"_qs, {u"-2"_qs, u"-t"_qs, u"Three"_qs, u"-T"_qs, u"1"_qs}},
        {u"v1.mp3"_qs, u"id3v2"_qs, {u"-1"_qs, u"-t"_qs, u"One"_qs, u"-T"_qs, u"1"_qs}},
        {u"bare.mp3"_qs, {}, {}},
    };
    ReadSettings read;
    read.Numbers01 = true;
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        table_.removeAllFileRows();
        makeSamples(samples);
        std::map<QString, QByteArray> before;
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
        for (const Sample &sample : samples) {
            QFile file(path(sample.name));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
            before[sample.name] = test::readAll(path(sample.name));
            addFileRow(sample.name, u"x"_qs + sample.name.section(u'.', 0, 0));
        }
        readTags(version, read);
        settings_.TagView = version;
        run(WriteKind::Apply);
        EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
        for (const Sample &sample : samples) {
            const QString renamed = path(u"x"_qs + sample.name);
            EXPECT_EQ(test::readAll(renamed), before[sample.name]) << sample.name.toStdString();
            EXPECT_EQ(QFileInfo(renamed).lastModified(), old) << sample.name.toStdString();
            QFile::rename(renamed, path(sample.name));
        }
    }

    // A change of one field leaves the others as they were written.
    table_.removeAllFileRows();
    makeSamples(samples);
    for (const Sample &sample : samples)
        addFileRow(sample.name, sample.name.section(u'.', 0, 0));
    readTags(2, read);
    for (int row = 1; row <= table_.lastFileRow(); ++row)
        table_.setCell(row, F::Art, u"Artist"_qs);
    settings_.TagView = 2;
    run(WriteKind::Tag2);
    EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    const QJsonObject four = test::mutagenRead(path(u"v24.mp3"_qs));
    EXPECT_EQ(test::mutagenText(four, u"TRCK"_qs), u"1/12"_qs);
    EXPECT_EQ(test::mutagenText(four, u"TPE1"_qs), u"Artist"_qs);
    EXPECT_EQ(test::mutagenText(test::mutagenRead(path(u"v23.mp3"_qs)), u"TRCK"_qs), u"1"_qs);
}

TEST_F(WriteJobTest, FieldsThatWereNotReadKeepTheirFrames)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_TOOL("mid3v2");
    QM_REQUIRE_TOOL("id3v2");
    QM_REQUIRE_MUTAGEN();
    makeSamples({
        {u"v2.mp3"_qs,
         u"mid3v2"_qs,
         {u"-t"_qs, u"Title"_qs, u"--USLT"_qs, u"Words"_qs, u"--TCOM"_qs, u"Composer"_qs}},
        {u"v1.mp3"_qs,
         u"id3v2"_qs,
         {u"-1"_qs, u"-t"_qs, u"Title"_qs, u"-c"_qs, u"Remark"_qs, u"-T"_qs, u"3"_qs}},
    });
    // Lyrics and composer unread in the ID3v2 view, comment and track in
    // the ID3v1 view.
    settings_.Tag2ReadFields[12] = settings_.Tag2ReadFields[13] = false;
    settings_.Tag1ReadFields[1] = settings_.Tag1ReadFields[6] = false;
    for (int version : {2, 1}) {
        SCOPED_TRACE(version);
        table_.removeAllFileRows();
        const int row = addFileRow(u"v%1.mp3"_qs.arg(version), u"v%1"_qs.arg(version));
        readTags(version, settings_);
        ASSERT_EQ(cell(row, F::Tit), u"Title"_qs);
        table_.setCell(row, F::Tit, u"New title"_qs);
        settings_.TagView = version;
        run(version == 1 ? WriteKind::Tag1 : WriteKind::Tag2);
        EXPECT_TRUE(errors_.rows.empty()) << messages().join(u", "_qs).toStdString();
    }
    const QJsonObject v2 = test::mutagenRead(path(u"v2.mp3"_qs));
    EXPECT_EQ(test::mutagenText(v2, u"TIT2"_qs), u"New title"_qs);
    EXPECT_EQ(test::mutagenText(v2, u"TCOM"_qs), u"Composer"_qs);
    EXPECT_EQ(test::mutagenText(v2, u"USLT"_qs), u"Words"_qs);
    TID3v1 v1;
    ASSERT_TRUE(v1.ReadFromFile(path(u"v1.mp3"_qs)));
    EXPECT_EQ(v1.FGetTitle(), u"New title"_qs);
    EXPECT_EQ(v1.FGetComment(), u"Remark"_qs);
    EXPECT_EQ(v1.FGetTrack(), 3);
}

TEST_F(WriteJobTest, TagsWhoseFramesCannotAllBeWalkedAreNotRewritten)
{
    QM_REQUIRE_TOOL("lame");
    QM_REQUIRE_TOOL("ffmpeg");
    QM_REQUIRE_TOOL("mid3v2");
    // The first frame's id or size broken by hand: the frames after it
    // cannot be found, and rewriting the tag would drop them. The row says
    // why.
    const struct {
        qsizetype at;
        QByteArray bytes;
        id3v2::Damage damage;
    } breaks[] = {{11, "x", id3v2::Damage::Garbage},
                  {14, "\x7F\x7F\x7F\x7F", id3v2::Damage::FrameBeyondEnd}};
    for (const auto &broken : breaks) {
        SCOPED_TRACE(broken.at);
        table_.removeAllFileRows();
        makeSamples({{u"a.mp3"_qs,
                      u"mid3v2"_qs,
                      {u"-a"_qs, u"Artist"_qs, u"-t"_qs, u"Title"_qs, u"--TCOM"_qs, u"C"_qs}}});
        QByteArray bytes = test::readAll(path(u"a.mp3"_qs));
        ASSERT_TRUE(bytes.startsWith("ID3\x04"));
        bytes.replace(broken.at, broken.bytes.size(), broken.bytes);
        ASSERT_TRUE(test::writeAll(path(u"a.mp3"_qs), bytes));
        const int row = addFileRow(u"a.mp3"_qs, u"a"_qs);
        table_.setCell(row, F::Tit, u"Changed"_qs);
        settings_.TagView = 2;
        run(WriteKind::Tag2);
        EXPECT_EQ(messages(), QStringList{WriteMessage::TagDamaged(broken.damage) + u". "_qs
                                          + WriteMessage::TagNotChanged()});
        EXPECT_EQ(test::readAll(path(u"a.mp3"_qs)), bytes);
    }
}

TEST_F(WriteJobTest, RowsThatMeetEachOthersNamesNeverLoseAFile)
{
    // Each row's file holds its old name; an outsider's holds "outsider".
    struct Case {
        const char *what;
        std::vector<std::pair<QString, QString>> rows; // Old -> New
        QStringList outsiders;
        Answer replace;
        bool move;
        std::map<QString, QByteArray> after; // the whole folder afterwards
        QStringList messages;
        int questions;
        bool undone = true;       // undo puts every file back under its old name
        QStringList missing = {}; // rows whose file is not there
    };
    const QString exists = WriteMessage::TargetExists();
    const std::vector<Case> cases{
        {"two rows into one name",
         {{"a", "same"}, {"b", "same"}},
         {},
         Answer::YesToAll,
         true,
         {{"same", "a"}, {"b", "b"}},
         {exists},
         0},
        {"a swap",
         {{"x", "y"}, {"y", "x"}},
         {},
         Answer::YesToAll,
         true,
         {{"x", "y"}, {"y", "x"}},
         {},
         0},
        {"a ring of three",
         {{"a", "b"}, {"b", "c"}, {"c", "a"}},
         {},
         Answer::No,
         true,
         {{"a", "c"}, {"b", "a"}, {"c", "b"}},
         {},
         0},
        {"a chain",
         {{"a", "b"}, {"b", "c"}, {"c", "d"}},
         {},
         Answer::No,
         true,
         {{"b", "a"}, {"c", "b"}, {"d", "c"}},
         {},
         0},
        // x takes c first, so b cannot follow, and a must not take b's name.
        {"a chain whose middle row fails",
         {{"x", "c"}, {"a", "b"}, {"b", "c"}, {"c", "d"}},
         {},
         Answer::YesToAll,
         true,
         {{"a", "a"}, {"b", "b"}, {"c", "x"}, {"d", "c"}},
         {exists, exists},
         0},
        {"only the outsider is asked about, and kept",
         {{"a", "out"}, {"b", "a"}},
         {"out"},
         Answer::No,
         true,
         {{"a", "a"}, {"b", "b"}, {"out", "outsider"}},
         {exists, exists},
         1},
        {"the outsider replaced, the chain follows",
         {{"a", "out"}, {"b", "a"}},
         {"out"},
         Answer::Yes,
         true,
         {{"a", "b"}, {"out", "a"}},
         {},
         1,
         false},
        {"copies vacate nothing",
         {{"x", "y"}, {"y", "x"}},
         {},
         Answer::YesToAll,
         false,
         {{"x", "x"}, {"y", "y"}},
         {exists, exists},
         0,
         false},
        // A list's row whose file was never there: another row's file that
        // took its name since is not its file.
        {"a row without its file, into whose name another moves",
         {{"a", "x"}, {"x", "y"}},
         {},
         Answer::YesToAll,
         true,
         {{"x", "a"}},
         {WriteMessage::NoFile()},
         0,
         true,
         {"x"}},
        // The file of the first and third rows leaves its name, and the
        // second row's file takes it: that one is not the third row's.
        {"a second row of a file that a swap renamed",
         {{"a", "b"}, {"b", "a"}, {"a", "c"}},
         {},
         Answer::YesToAll,
         true,
         {{"a", "b"}, {"b", "a"}},
         {WriteMessage::NoFile()},
         0},
    };
    // With many rows going to one folder the plan reads that folder once
    // instead of looking up each new name: the same cases with rows enough
    // for that, each moving a file of its own to a free name. With many
    // more, the plan looks at the rows in two halves at once: the case's
    // rows then stand where the halves meet.
    for (const int fillers : {0, 20, 150})
        for (const Case &test : cases) {
            SCOPED_TRACE(test.what);
            SCOPED_TRACE(fillers);
            for (const QString &name : files())
                ASSERT_TRUE(QFile::remove(path(name)));
            table_ = RowTable();
            answers_ = FixedAnswers(Answer::Yes, test.replace);
            settings_.MoveFiles = test.move;
            std::map<QString, QByteArray> expected = test.after;
            const auto addFillers = [&](int from, int to) {
                for (int i = from; i < to; ++i) {
                    const QString filler = u"filler"_qs + QString::number(i);
                    addRow(filler, filler + u"+"_qs, filler.toUtf8());
                    expected[filler + u"+"_qs] = filler.toUtf8();
                    if (!test.move) // copies
                        expected[filler] = filler.toUtf8();
                }
            };
            const int fillersBefore = fillers > 100 ? fillers / 2 - 1 : 0;
            addFillers(0, fillersBefore);
            for (const auto &[oldName, newName] : test.rows)
                addRow(oldName, newName,
                       test.missing.contains(oldName) ? QByteArray() : oldName.toUtf8());
            addFillers(fillersBefore, fillers);
            for (const QString &name : test.outsiders)
                ASSERT_TRUE(test::writeAll(path(name + u".mp3"_qs), "outsider"));
            run(WriteKind::Apply);

            EXPECT_EQ(messages(), test.messages);
            EXPECT_EQ(answers_.fileQuestions.size(), test.questions);
            std::map<QString, QByteArray> after;
            for (const QString &name : files())
                after[QFileInfo(name).completeBaseName()] = test::readAll(path(name));
            EXPECT_EQ(after, expected);
            // Every row's Old names its own file (the first row of a file
            // named twice).
            for (size_t i = 0; test.move && i < test.rows.size(); ++i) {
                const auto first =
                    std::find_if(test.rows.begin(), test.rows.end(),
                                 [&](const auto &row) { return row.first == test.rows[i].first; });
                if (test.missing.contains(test.rows[i].first)
                    || size_t(first - test.rows.begin()) != i)
                    continue;
                EXPECT_EQ(
                    test::readAll(path(cell(fillersBefore + int(i) + 1, F::Old) + u".mp3"_qs)),
                    test.rows[i].first.toUtf8());
            }
            EXPECT_EQ(runner_.status(),
                      u"Обработано файлов: %1/%1"_qs.arg(test.rows.size() + size_t(fillers)));
            if (!test.undone)
                continue;
            journal::undo();
            std::map<QString, QByteArray> undone;
            for (const QString &name : files())
                undone[QFileInfo(name).completeBaseName()] = test::readAll(path(name));
            std::map<QString, QByteArray> before;
            for (const auto &[oldName, newName] : test.rows) {
                if (!test.missing.contains(oldName))
                    before[oldName] = oldName.toUtf8();
            }
            for (const QString &name : test.outsiders)
                before[name] = "outsider";
            for (int i = 0; i < fillers; ++i)
                before[u"filler"_qs + QString::number(i)] =
                    (u"filler"_qs + QString::number(i)).toUtf8();
            EXPECT_EQ(undone, before) << "after undo";
        }
}

TEST_F(WriteJobTest, TwoNewNamesDifferingInCaseAreOneNameWhereTheFileSystemSaysSo)
{
    addRow(u"a"_qs, u"Song"_qs, "a");
    addRow(u"b"_qs, u"song"_qs, "b");
    const bool ignoresCase = QFile::exists(path(u"A.mp3"_qs));
    answers_.files = Answer::YesToAll;
    run(WriteKind::Apply);
    EXPECT_TRUE(answers_.fileQuestions.isEmpty());
    if (ignoresCase) {
        EXPECT_EQ(messages(), QStringList{WriteMessage::TargetExists()});
        EXPECT_EQ(test::readAll(path(u"b.mp3"_qs)), QByteArray("b"));
    } else {
        EXPECT_TRUE(errors_.rows.empty());
        EXPECT_EQ(test::readAll(path(u"song.mp3"_qs)), QByteArray("b"));
    }
    EXPECT_EQ(test::readAll(path(u"Song.mp3"_qs)), QByteArray("a"));
}

TEST_F(WriteJobTest, TagWritesAreJournaledAndPutBackAfterACrash)
{
    const QByteArray audio(4000, 'a');
    constexpr int kFiles = 200;
    for (int i = 0; i < kFiles; ++i)
        addRow(QString::number(i), QString::number(i), audio);

    // A finished job is a closed entry of the journal that holds the old
    // bytes: undoing it gives them back.
    run(WriteKind::Tag2);
    ASSERT_TRUE(errors_.rows.empty());
    ASSERT_EQ(id3v2Title(path(u"7.mp3"_qs)), u"Title 7"_qs);
    const QList<journal::JobSummary> jobs = journal::history();
    ASSERT_FALSE(jobs.isEmpty());
    EXPECT_EQ(jobs.first().kind, u"write 12"_qs);
    EXPECT_EQ(jobs.first().files, kFiles);
    EXPECT_EQ(journal::undo().files.size(), kFiles);
    EXPECT_EQ(test::readAll(path(u"7.mp3"_qs)), audio);
    // A change of the same length is made in place and kept as the bytes
    // that differ: undo gives the tag before it back byte for byte.
    run(WriteKind::Tag2);
    const QByteArray tagged = test::readAll(path(u"7.mp3"_qs));
    for (int row = 1; row <= kFiles; ++row)
        table_.setCell(row, F::Tit, u"Eltit "_qs + QString::number(row - 1));
    run(WriteKind::Tag2);
    ASSERT_EQ(id3v2Title(path(u"7.mp3"_qs)), u"Eltit 7"_qs);
    EXPECT_EQ(test::readAll(path(u"7.mp3"_qs)).size(), tagged.size());
    EXPECT_EQ(journal::undo().files.size(), kFiles);
    EXPECT_EQ(test::readAll(path(u"7.mp3"_qs)), tagged);
    for (int row = 1; row <= kFiles; ++row) {
        ASSERT_TRUE(test::writeAll(path(QString::number(row - 1) + u".mp3"_qs), audio));
        table_.setCell(row, F::Tit, u"Title "_qs + QString::number(row - 1));
    }
    // Kind 117 records the tags it writes the same way, and its moves.
    settings_.TagView = 2;
    table_.setCell(1, F::New, u"moved"_qs);
    run(WriteKind::Apply);
    ASSERT_TRUE(errors_.rows.empty());
    EXPECT_EQ(journal::history().first().kind, u"write 117"_qs);
    EXPECT_EQ(journal::undo().files.size(), kFiles + 1);
    EXPECT_EQ(test::readAll(path(u"0.mp3"_qs)), audio);
    EXPECT_FALSE(QFile::exists(path(u"moved.mp3"_qs)));
    table_.setCell(1, F::Old, u"0"_qs);
    table_.setCell(1, F::New, u"0"_qs);

    // The same batch killed at some moment after its changes were recorded:
    // recovery leaves every file either as it was or as the job made it.
    std::vector<Row> rows;
    for (int row = 1; row <= kFiles; ++row)
        rows.push_back(table_.row(row));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RowWriter writer(settings_, {}, {});
        writer.useJournal(u"write 12"_qs);
        std::vector<RowOutcome> outcomes(rows.size());
        writer.writeTagBatch(WriteKind::Tag2, rows.data(), outcomes.data(), rows.size(),
                             [] { return false; });
        pause(); // killed before the journal is closed
        _exit(0);
    }
    // Killed once the first file is changed: while the others are being
    // changed, or after.
    const QString first = path(u"0.mp3"_qs);
    for (int wait = 0; wait < 5000 && QFileInfo(first).size() == audio.size(); ++wait)
        usleep(1000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_NE(QFileInfo(first).size(), audio.size()) << "the child changed no file";
    EXPECT_EQ(journal::recover().jobs, 1);
    for (int i = 0; i < kFiles; ++i) {
        const QString file = path(QString::number(i) + u".mp3"_qs);
        const QByteArray bytes = test::readAll(file);
        TID3v2 tag;
        EXPECT_TRUE(
            bytes == audio
            || (tag.ReadFromFile(file) && tag.FGetTitle() == u"Title "_qs + QString::number(i)
                && bytes.size() == tag.FGetTotalSize() + audio.size() && bytes.endsWith(audio)))
            << i;
    }
    // Rings of renames killed at some moment: after recovery every file is
    // under its old or its new name, none under a temporary one, and undo
    // puts each back under its old name.
    settings_.TagView = 0;
    const auto name = [](int ring, int at) { return u"r%1-%2"_qs.arg(ring).arg(at); };
    constexpr int kRings = 150;
    for (const int size : {2, 3}) {
        SCOPED_TRACE(size == 2 ? "swaps" : "rings of three");
        qint64 fullUs = 0;
        for (int round = 0; round < 6; ++round) {
            for (const QString &file : files())
                ASSERT_TRUE(QFile::remove(path(file)));
            table_ = RowTable();
            for (int ring = 0; ring < kRings; ++ring) {
                for (int at = 0; at < size; ++at)
                    addRow(name(ring, at), name(ring, (at + 1) % size), name(ring, at).toUtf8());
            }
            QElapsedTimer timer;
            timer.start();
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                RenamePlan plan(true);
                plan.addRows(1, &table_.row(1), size_t(table_.lastFileRow()));
                plan.finish();
                RowWriter writer(settings_, {}, {});
                writer.useJournal(u"write 117"_qs);
                std::vector<Row> rows;
                for (const int row : plan.order())
                    rows.push_back(table_.row(row));
                std::vector<RowOutcome> outcomes(rows.size());
                writer.stageTagsAhead(rows.data(), rows.size());
                writer.takeTagsAhead();
                for (const RenamePlan::Unit &unit : plan.units())
                    plan.apply(unit, writer, &rows[unit.begin], &outcomes[unit.begin]);
                _exit(0); // as if killed: the journal is not closed
            }
            // The first round runs whole and times the job; the others are
            // killed somewhere within that time.
            if (round > 0)
                usleep(useconds_t(QRandomGenerator::global()->bounded(fullUs + 1)));
            kill(child, round > 0 ? SIGKILL : 0);
            waitpid(child, nullptr, 0);
            if (round == 0)
                fullUs = timer.nsecsElapsed() / 1000;
            // A kill before the journal was started leaves nothing to settle.
            journal::recover();
            int found = 0;
            for (const QString &file : files()) {
                const QString base = QFileInfo(file).completeBaseName();
                const QStringList parts =
                    QString::fromUtf8(test::readAll(path(file))).mid(1).split(u'-');
                ASSERT_EQ(parts.size(), 2) << file.toStdString();
                const int ring = parts[0].toInt(), at = parts[1].toInt();
                EXPECT_TRUE(base == name(ring, at) || base == name(ring, (at + 1) % size))
                    << file.toStdString() << " after a kill in round " << round;
                ++found;
            }
            EXPECT_EQ(found, kRings * size) << "round " << round;
            journal::undo();
            for (int ring = 0; ring < kRings; ++ring) {
                for (int at = 0; at < size; ++at)
                    ASSERT_EQ(test::readAll(path(name(ring, at) + u".mp3"_qs)),
                              name(ring, at).toUtf8())
                        << "after undo, round " << round;
            }
        }
    }
}

TEST_F(WriteJobTest, ASecondRowOfOneFileIsWrittenAfterTheFirstRowsChange)
{
    // Rows of other files between the two: none (one batch), or enough
    // that the second row is planned while the first one's batch waits
    // for the journal.
    for (const int between : {0, 300}) {
        SCOPED_TRACE(between);
        table_.removeAllFileRows();
        addRow(u"one"_qs, u"one"_qs, QByteArray(4000, 'a'));
        run(WriteKind::Tag2); // a tag with room to spare
        for (int i = 0; i < between; ++i)
            addRow(QString::number(i), QString::number(i));
        const int second = addRow(u"one"_qs, u"one"_qs, QByteArray());
        // The first row's tag outgrows the room and the file is written
        // anew; the second row's would fit in the old file's room.
        table_.setCell(1, F::Com, QString(20000, u'L'));
        table_.setCell(second, F::Tit, u"Second"_qs);
        run(WriteKind::Tag2);
        EXPECT_TRUE(errors_.rows.empty());
        EXPECT_EQ(id3v2Title(path(u"one.mp3"_qs)), u"Second"_qs);
    }
}

// Renaming, both rows of one file read before the first row's tag changes
// it: the second row's cells are then older than the file, and it gets
// neither its tag nor its name.
TEST_F(WriteJobTest, ASecondRowOfOneFileReadBeforeTheFirstRowsChangeIsLeftWhenRenaming)
{
    addRow(u"one"_qs, u"one"_qs, QByteArray(4000, 'a'));
    settings_.TagView = 2;
    run(WriteKind::Tag2);
    FileStamp read;
    ASSERT_TRUE(stampOf(path(u"one.mp3"_qs), &read));
    auto stamps = std::make_shared<FileStamps>();
    stamps->insert(table_.row(1), read);
    settings_.ReadStamps = stamps;
    addRow(u"one"_qs, u"two"_qs, QByteArray());
    table_.setCell(1, F::Tit, u"First"_qs);
    run(WriteKind::Apply);
    EXPECT_EQ(messages(), QStringList{WriteMessage::ChangedElsewhere()});
    EXPECT_EQ(id3v2Title(path(u"one.mp3"_qs)), u"First"_qs);
}
