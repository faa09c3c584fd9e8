#include "formats/id3v1.h"
#include "jobs/addfiles.h"
#include "jobs/jobrunner.h"
#include "jobs/readkinds.h"
#include "jobs/readrows.h"
#include "jobs/readjob.h"
#include "table/addedrows.h"
#include "table/rowtable.h"

#include "testfiles.h"
#include "waitidle.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qm;
using F = FieldNumber;

namespace {

// One second of a 440 Hz tone, 128 kbps CBR, made once for the whole suite.
class ReadKinds : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = new test::TempFolder;
        QString error;
        s_made = test::haveTool(u"lame"_qs) && test::haveTool(u"ffmpeg"_qs)
                 && test::makeMp3(s_folder->file(u"tone.mp3"_qs), {}, &error);
    }
    static void TearDownTestSuite() { delete s_folder; }
    void SetUp() override
    {
        if (!s_made)
            QM_MISSING_TOOL("needs lame and ffmpeg to make sample files");
    }

    // A copy of the tone named `name` in this test's folder.
    QString copyTone(const QString &name)
    {
        QString path = dir_.file(name);
        EXPECT_TRUE(QFile::copy(s_folder->file(u"tone.mp3"_qs), path));
        return path;
    }
    void run(const QStringList &args, const QString &tool = u"mid3v2"_qs)
    {
        const test::CommandResult result = test::runCommand(tool, args);
        ASSERT_TRUE(result.ok()) << tool.toStdString() << ": " << result.err.toStdString();
    }
    // A row for the file; the folder is given without its trailing "/".
    int addRow(const QString &oldName, const QString &ext)
    {
        const int row = table_.appendFileRow(dir_.path(), oldName);
        table_.setCell(row, F::Ext, ext);
        return row;
    }
    void fill(int row, std::initializer_list<F> fields, const QString &text)
    {
        for (F f : fields)
            table_.setCell(row, f, text);
    }
    void read(ReadKind kind, const ReadSettings &settings, int first = 1, int last = -1)
    {
        auto job = std::make_shared<ReadJob>(table_, first, last < 0 ? table_.lastFileRow() : last,
                                             kind, settings);
        runner_.start(JobKind::Update, job, [this] { runner_.setControlsEnabled(true); });
        ASSERT_TRUE(WaitUntilIdle(runner_));
    }
    QString cell(int row, F f) const { return table_.cell(row, f); }
    void expectCells(int row, std::initializer_list<std::pair<F, const char16_t *>> cells)
    {
        for (const auto &[f, text] : cells)
            EXPECT_EQ(cell(row, f), QString::fromUtf16(text)) << "column " << toInt(f);
    }

    static inline test::TempFolder *s_folder = nullptr;
    static inline bool s_made = false;
    test::TempFolder dir_;
    RowTable table_;
    JobRunner runner_;
};

} // namespace

TEST(DurationText, WholeSecondsAndHoursFromOneHourOn)
{
    EXPECT_EQ(DurationText(0), u"0:00"_qs);
    EXPECT_EQ(DurationText(61.9), u"1:01"_qs);
    EXPECT_EQ(DurationText(59.9996), u"1:00"_qs); // to the nearest millisecond first
    EXPECT_EQ(DurationText(3599.9), u"59:59"_qs);
    EXPECT_EQ(DurationText(3600), u"1:00:00"_qs);
    EXPECT_EQ(DurationText(36005), u"10:00:05"_qs);
    EXPECT_EQ(DurationText(90000), u"25:00:00"_qs);
    EXPECT_EQ(DurationText(-1), QString());
}

TEST(ReadSettings, TakenFromTheOptions)
{
    Options options;
    options.setFormatRead(false);
    options.lists(FieldView::FileInfo).setRead(2, false);
    options.lists(FieldView::Id3v2).setRead(16, false);
    options.setReadLyrics2(false); // the ID3v1 lists lose their six Lyrics3 items
    const ReadSettings settings = ReadSettings::From(options, TagView::Id3v1, true);
    EXPECT_FALSE(settings.FormatRead || settings.ReadLyrics2 || settings.InfoReadFields[2]
                 || settings.Tag2ReadFields[16] || settings.Tag1ReadFields[7]);
    EXPECT_TRUE(settings.InfoReadFields[1] && settings.Tag1ReadFields[6]
                && settings.Tag2ReadFields[15] && settings.Numbers01);
    EXPECT_EQ(settings.TagView, 1);
}

TEST_F(ReadKinds, InformationAndId3v2AfterAdding)
{
    const QString path = copyTone(u"tagged.mp3"_qs);
    run({u"-t"_qs, u"Заголовок"_qs, u"-a"_qs, u"Artist"_qs, u"-T"_qs, u"7/12"_qs, u"-y"_qs,
         u"2001"_qs, u"-g"_qs, u"Rock"_qs, u"--TCOM"_qs, u"Composer"_qs, path});
    const int row = addRow(u"tagged"_qs, u"mp3"_qs);
    fill(row, {F::Enc, F::Ope}, u"stale"_qs);
    ReadSettings settings;
    settings.TagView = 2;
    settings.Numbers01 = true;
    read(ReadKind::InfoAfterAdd, settings);

    EXPECT_EQ(cell(row, F::Dir), dir_.path() + u'/');
    EXPECT_EQ(cell(row, F::Siz), QString::number(QFileInfo(path).size()));
    const QString info = cell(row, F::Inf);
    EXPECT_TRUE(info.startsWith(u"MPEG 1 Layer III. CBR, 128 kbps, 44100 Hz, "_qs)
                && info.contains(u". Frame len=417, "_qs)
                && info.contains(u" frames. Private: No. CRC: "_qs)
                && info.contains(u". Encoder: LAME"_qs))
        << info.toStdString();
    expectCells(row, {{F::Dur, u"0:01"},
                      {F::Tit, u"Заголовок"},
                      {F::Trc, u"07/12"},
                      {F::Art, u"Artist"},
                      {F::Yea, u"2001"},
                      {F::Gen, u"Rock"},
                      {F::Cmp, u"Composer"},
                      {F::Enc, u""},
                      {F::Ope, u""}});
    EXPECT_EQ(runner_.status(), u"Прочитано информации 1/1"_qs);
    EXPECT_EQ(runner_.progress(), 100);

    // The ID3v2 kind alone, plain numbering, the title left out of the read list.
    settings.Numbers01 = false;
    settings.Tag2ReadFields[0] = false;
    read(ReadKind::Tag2, settings);
    expectCells(row, {{F::Tit, u""}, {F::Trc, u"7/12"}});
    EXPECT_EQ(runner_.status(), u"Прочитано ID3v2 Tag: 1/1"_qs);
}

TEST_F(ReadKinds, Id3v1TrackNumbersAndLyricsCells)
{
    run({u"-1"_qs, u"-t"_qs, u"Title"_qs, u"-T"_qs, u"7"_qs, u"-g"_qs, u"17"_qs,
         copyTone(u"seven.mp3"_qs)},
        u"id3v2"_qs);
    run({u"-1"_qs, u"-t"_qs, u"No track"_qs, copyTone(u"none.mp3"_qs)}, u"id3v2"_qs);
    const int seven = addRow(u"seven"_qs, u"mp3"_qs);
    const int none = addRow(u"none"_qs, u"mp3"_qs);
    const int gone = addRow(u"missing"_qs, u"mp3"_qs);
    for (int row : {seven, none, gone})
        fill(row, {F::Ope, F::Slt, F::Cmp, F::Trc, F::Tit}, u"old"_qs);
    ReadSettings settings;
    settings.TagView = 1;
    settings.ReadLyrics2 = false;
    settings.Numbers01 = true;
    read(ReadKind::Tag1, settings);
    // In the ID3v1 view without Lyrics3, Ope .. Slt and Cmp are not the tag's.
    expectCells(seven, {{F::Tit, u"Title"},
                        {F::Trc, u"07"},
                        {F::Gen, u"Rock"},
                        {F::Ope, u"old"},
                        {F::Slt, u"old"},
                        {F::Cmp, u"old"}});
    expectCells(none, {{F::Trc, u""}, {F::Ope, u"old"}}); // track 0: no Trc
    expectCells(gone, {{F::Tit, u""}, {F::Trc, u""}, {F::Slt, u"old"}});
    EXPECT_EQ(runner_.status(), u"Прочитано ID3v1 Tag: 3/3"_qs);

    settings.Numbers01 = false;
    settings.ReadLyrics2 = true;
    read(ReadKind::Tag1, settings);
    expectCells(seven, {{F::Trc, u"7"}, {F::Ope, u""}, {F::Cmp, u"old"}});

    // The Lyrics3 fields, read with the file information after adding.
    TID3v1 lyrics;
    lyrics.FSetTitle(u"Short"_qs);
    lyrics.FSetExtTitle(u"A title longer than thirty characters"_qs);
    lyrics.FSetExtArtist(u"Artist"_qs);
    lyrics.FSetExtAlbum(u"Album"_qs);
    lyrics.FSetComment2(u"Second comment"_qs);
    lyrics.FSetLyricsAuthor(u"Author"_qs);
    lyrics.FSetLyrics(u"La la la"_qs);
    ASSERT_TRUE(lyrics.SaveToFile(copyTone(u"lyrics.mp3"_qs)));
    const int row = addRow(u"lyrics"_qs, u"mp3"_qs);
    read(ReadKind::InfoAfterAdd, settings, row, row);
    expectCells(row, {{F::Tit, u"Short"},
                      {F::Tt1, u"A title longer than thirty characters"},
                      {F::Ope, u"Artist"},
                      {F::Oal, u"Album"},
                      {F::Ory, u"Second comment"},
                      {F::Cop, u"Author"},
                      {F::Slt, u"La la la"},
                      {F::Dur, u"0:01"}});
}

TEST_F(ReadKinds, FormatReadAndTheSizeOnlyPath)
{
    copyTone(u"LOUD.MP3"_qs);
    const QString size = QString::number(QFileInfo(copyTone(u"sound.wav"_qs)).size());
    copyTone(u"bare."_qs);
    const int loud = addRow(u"LOUD"_qs, u"MP3"_qs);
    const int sound = addRow(u"sound"_qs, u"wav"_qs);
    const int bare = addRow(u"bare."_qs, QString()); // no dot is added for an empty Ext
    const int gone = addRow(u"gone"_qs, u"mp3"_qs);
    // A pipe reads as a file that cannot be opened, and never blocks the job.
    ASSERT_EQ(mkfifo(QFile::encodeName(dir_.file(u"pipe.mp3"_qs)).constData(), 0600), 0);
    const int pipe = addRow(u"pipe"_qs, u"mp3"_qs);
    for (int row : {loud, sound, bare, gone, pipe})
        fill(row, {F::Dur, F::Inf, F::Tit, F::Siz}, u"old"_qs);
    ReadSettings settings;
    read(ReadKind::Info, settings);
    EXPECT_EQ(cell(loud, F::Dur), u"0:01"_qs);
    EXPECT_EQ(cell(sound, F::Siz), size);
    EXPECT_EQ(cell(bare, F::Siz), size);
    EXPECT_EQ(cell(sound, F::Dur), QString()); // only the size of a wav
    for (int row : {gone, pipe})
        expectCells(row, {{F::Siz, u""}, {F::Dur, u""}, {F::Inf, u""}});

    settings.TagView = 2;
    read(ReadKind::Tag2, settings);
    EXPECT_EQ(cell(sound, F::Tit), u"old"_qs); // skipped: left as it was
    EXPECT_EQ(cell(loud, F::Tit), QString());
    EXPECT_EQ(cell(pipe, F::Tit), QString());

    // With only the size item the stream is not analysed; without the
    // information item the duration is still shown.
    settings.InfoReadFields = {true, false, false};
    read(ReadKind::Info, settings);
    expectCells(loud, {{F::Dur, u""}, {F::Inf, u""}});
    EXPECT_EQ(cell(loud, F::Siz), size);
    EXPECT_EQ(cell(pipe, F::Siz), QString());
    settings.InfoReadFields = {true, true, false};
    read(ReadKind::Info, settings);
    expectCells(loud, {{F::Dur, u"0:01"}, {F::Inf, u""}});
}

TEST_F(ReadKinds, RangeStatusAndStopBetweenRows)
{
    copyTone(u"t.mp3"_qs);
    for (int i = 0; i < 308; ++i)
        fill(addRow(u"t"_qs, u"mp3"_qs), {F::Dur}, u"old"_qs);
    QStringList statuses;
    QObject::connect(&runner_, &JobRunner::statusChanged, [&](const QString &t) { statuses << t; });
    read(ReadKind::Info, {}, 5, 8);
    EXPECT_EQ(statuses.first(), u"Прочитано информации 1/4"_qs);
    EXPECT_EQ(statuses.last(), u"Прочитано информации 4/4"_qs);
    EXPECT_EQ(runner_.progress(), 100);
    expectCells(4, {{F::Dur, u"old"}});
    expectCells(8, {{F::Dur, u"0:01"}});
    expectCells(9, {{F::Dur, u"old"}});

    QObject::connect(&runner_, &JobRunner::statusChanged, [&] { runner_.stop(); });
    read(ReadKind::Info, {}, 9);
    int done = 9;
    while (done <= table_.lastFileRow() && cell(done, F::Dur) == u"0:01"_qs)
        ++done;
    EXPECT_GT(done, 9);
    for (int row = done; row <= table_.lastFileRow(); ++row) // the rest untouched
        ASSERT_EQ(cell(row, F::Dur), u"old"_qs) << row;
    EXPECT_EQ(runner_.status(), StatusText(StatusPhrase::ReadInfo(), done - 9, 300));
}

// Rows streamed without a table are the rows an add into an empty table and
// its reads leave there, for every combination of reads that follow an add.
TEST_F(ReadKinds, StreamedRowsAreTheTableRowsAfterAddingAndReading)
{
    const QString tagged = copyTone(u"tagged.mp3"_qs);
    run({u"-t"_qs, u"Title"_qs, u"-T"_qs, u"3"_qs, u"--TCOM"_qs, u"Composer"_qs, tagged});
    run({u"-1"_qs, u"-t"_qs, u"Old"_qs, u"-T"_qs, u"4"_qs, copyTone(u"v1.mp3"_qs)}, u"id3v2"_qs);
    QFile(dir_.file(u"notes.txt"_qs)).open(QIODevice::WriteOnly);
    QFile(dir_.file(u"name."_qs)).open(QIODevice::WriteOnly);
    const QStringList paths{tagged, dir_.path()};

    struct Case {
        bool fileInfo;
        int tagView;
        bool sizeOnly;
        NumberStyle numbers;
    };
    for (const Case c :
         {Case{true, 2, false, NumberStyle::LeadingZero}, Case{true, 1, false, NumberStyle::Plain},
          Case{true, 2, true, NumberStyle::LeadingZero}, Case{false, 2, false, NumberStyle::Plain},
          Case{false, 0, false, NumberStyle::LeadingZero}}) {
        SCOPED_TRACE(testing::Message() << "information " << c.fileInfo << ", view " << c.tagView
                                        << ", size only " << c.sizeOnly);
        RowReadSettings settings;
        settings.scan.filter = u"*"_qs;
        settings.read.TagView = c.tagView;
        settings.read.Numbers01 = c.numbers == NumberStyle::LeadingZero;
        if (c.sizeOnly)
            settings.read.InfoReadFields = {true, false, false};
        settings.fileInfo = c.fileInfo;
        settings.numbers = c.numbers;
        settings.threads = 2;

        table_.removeAllFileRows();
        AppendFileRow(table_, tagged);
        ScanFolders({dir_.path()}, settings.scan,
                    [this](const QString &folder, const QString &name) {
                        table_.appendFileRow(folder, name);
                        return true;
                    });
        completeAddedRows(table_, 1, c.numbers, NumberScope::WholeTable, true);
        for (const ReadKind kind : AddedRowsReadKinds(settings.read, c.fileInfo))
            read(kind, settings.read);

        std::vector<Row> streamed;
        EXPECT_TRUE(
            ReadPathRows(paths, settings, [&streamed](const Row &row, const FileStamp *stamp) {
                streamed.push_back(row);
                // What the file was as it was read, whether or not a read opened it.
                FileStamp seen;
                EXPECT_EQ(stamp != nullptr, stampOf(RowFileName(row), &seen));
                if (stamp) {
                    EXPECT_EQ(*stamp, seen) << RowFileName(row).toStdString();
                }
                return true;
            }));
        ASSERT_EQ(int(streamed.size()), table_.fileRowCount());
        ASSERT_EQ(streamed.size(), 5u);
        for (int r = 1; r <= table_.lastFileRow(); ++r) {
            for (int f = 0; f < kColumnCount; ++f)
                EXPECT_EQ(streamed[size_t(r - 1)][size_t(f)], table_.row(r)[size_t(f)])
                    << "row " << r << " column " << f;
        }
    }
}
