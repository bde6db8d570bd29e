// What the main window tells the user when the system gets in the way: a modem port the
// user may not use, and a session close that cannot write its files (full disk, a file
// size limit). Driven through the handlers with fakes; the write failures are real ones,
// made with RLIMIT_FSIZE.
#include "filesizelimit.h"
#include "mainwindow_fixture.h"

#include "core/sessionlog.h"
#include "monitor/fmodem.h"
#include "platform/datadir.h"

#include <QDir>
#include <QRadioButton>
#include <QTimer>

#include <cstring>

namespace vindelor::test {
namespace {

using Mode = FakeSerialFactory::Mode;
using platform::MessageBoxes;

QString Own(int item, int offset) {
    return LoadText(kOwnTextBase + item + offset);
}

QStringList LeftoverTempFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
}

TEST(OwnMessageTexts, EveryLanguageHasTheSaveFailureTextsWithTheirPlaceholders) {
    struct Case {
        int item;
        int placeholders;
    };
    const Case cases[] = {{kTextSessionNotSaved, 3},  {kTextUnsavedLogLine, 1},
                          {kTextUnsavedCostTotal, 1}, {kTextUnsavedNetTime, 1},
                          {kTextUnsavedTries, 1},     {kTextUnsavedActiveFlag, 0}};
    for (int offset : {kSwedishOffset, kFinnishOffset, kEnglishOffset}) {
        QSet<QString> seen;
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "text " << c.item << " offset " << offset);
            const QString text = Own(c.item, offset);
            ASSERT_FALSE(text.isEmpty());
            seen.insert(text);
            for (int n = 1; n <= 3; ++n) {
                EXPECT_EQ(text.contains(QStringLiteral("%%1").arg(n)), n <= c.placeholders);
            }
        }
        EXPECT_EQ(seen.size(), 6);
    }
    EXPECT_NE(Own(kTextSessionNotSaved, kSwedishOffset), Own(kTextSessionNotSaved, kFinnishOffset));
    EXPECT_NE(Own(kTextSessionNotSaved, kFinnishOffset), Own(kTextSessionNotSaved, kEnglishOffset));
}

class PortAccessTest : public MainWindowTest {};

TEST_F(PortAccessTest, NoPermissionIsNoConnectionAndTellsTheUserToJoinDialoutOnce) {
    struct Case {
        const char* code;
        int offset;
    };
    const Case cases[] = {{"S", kSwedishOffset}, {"SF", kFinnishOffset}, {"UK", kEnglishOffset}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ScopedDataDir caseDir;
        fakes.boxes.shown.clear();
        Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QLatin1String(c.code));
        TForm1& f = Create();
        ports.denied.insert(DeviceOf(1));
        for (int i = 0; i < 3; ++i) {
            f.Timer2Timer();
        }
        ports.denied.clear();
        EXPECT_FALSE(f.SessionStarted);
        EXPECT_TRUE(f.Timer2->isActive());
        EXPECT_FALSE(f.Timer1->isActive());
        EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
        ASSERT_EQ(fakes.boxes.shown.size(), 1u);
        const QString text = fakes.boxes.shown[0].text;
        EXPECT_EQ(text, Own(kTextPortNoPermission, c.offset).arg(DeviceOf(1)));
        EXPECT_TRUE(text.contains(QStringLiteral("\"dialout\""))) << text.toStdString();
        EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Warning);

        // Once the user may use the device again, the busy port is a connection.
        StartSession();
        SetPort(1, Mode::Free);
    }
}

TEST_F(PortAccessTest, IdlePollGoesOnWhileTheUserReadsWhyThePortCannotBeUsed) {
    WatchingBoxes boxes;
    ScopedBoxes installed(&boxes);
    TForm1& f = Create();
    bool pollingWhileOpen = false;
    boxes.whileOpen = [&] {
        pollingWhileOpen = f.Timer2->isActive();
        // The user adds themselves to the group meanwhile, and the dialer starts.
        ports.denied.clear();
        SetPort(1, Mode::Busy);
        f.Timer2Timer();
    };
    ports.denied.insert(DeviceOf(1));
    f.Timer2Timer();
    EXPECT_TRUE(pollingWhileOpen);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(f.SessionStarted);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_FALSE(f.Timer2->isActive());
}

TEST_F(PortAccessTest, ModemDialogComesBackWithTheReasonAChosenPortCannotBeUsed) {
    ports.denied.insert(DeviceOf(2));
    SetPort(3, Mode::Unusable);
    SetPort(4, Mode::Busy);
    // Com2 (no permission), Com3 (absent), Com2 again, Com4 (busy: no reason to give),
    // then Com1, which opens.
    const QList<int> picks = {2, 3, 2, 4, 1};
    int asked = 0;
    std::vector<std::size_t> boxesBeforeAsk;
    onDialog = [&](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        boxesBeforeAsk.push_back(fakes.boxes.shown.size());
        QRadioButton* buttons[] = {modem.RadioButton1, modem.RadioButton2, modem.RadioButton3,
                                   modem.RadioButton4};
        buttons[picks.at(asked++) - 1]->setChecked(true);
        modem.BitBtn1Click();
        return modem.result();
    };
    TForm1& f = Create(/*storeCom1=*/false);
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(f.Comm321->CommPort(), QStringLiteral("COM1"));
    EXPECT_EQ(boxesBeforeAsk, (std::vector<std::size_t>{0, 1, 2, 2, 2}));
    ASSERT_EQ(fakes.boxes.shown.size(), 2u);
    // Nothing stored yet: the first dialogs speak the desktop's language.
    EXPECT_EQ(fakes.boxes.shown[0].text,
              Own(kTextPortNoPermission, kEnglishOffset).arg(DeviceOf(2)));
    EXPECT_TRUE(fakes.boxes.shown[1].text.contains(DeviceOf(3)));
    EXPECT_TRUE(fakes.boxes.shown[1].text.contains(QStringLiteral("No such file")));
}

class SaveFailureTest : public MainWindowTest {
  protected:
    void SetUp() override {
        Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("S"));
        Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
        Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("10"));
        Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("01:00:00"));
        Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    }
    static void LogLines(int count) {
        QStringList lines;
        for (int i = 0; i < count; ++i) {
            lines << QStringLiteral("05.12.1999 10:00:00-00:01:00^   0.5000");
        }
        ASSERT_TRUE(RewriteLog(lines));
    }
    QByteArray IniBytes() const { return ReadFileBytes(dir.file(kSettingsFile)); }
    QByteArray LogBytes() const { return ReadFileBytes(dir.file(kLogFile)); }

    const QString line = QStringLiteral("06.12.1999 14:05:09-00:02:00^   1.0000");
};

TEST_F(SaveFailureTest, NothingCanBeWrittenKeepsTheOldFilesAndSaysWhatIsMissingOnce) {
    LogLines(1);
    TForm1& f = Create();
    StartSession();
    Run(180);  // 2 min 30 s connected: 1.00
    const QByteArray iniBefore = IniBytes();
    const QByteArray logBefore = LogBytes();
    {
        FileSizeLimit limit(1);
        ASSERT_TRUE(limit.ok());
        Release();
    }
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(IniBytes(), iniBefore);
    EXPECT_EQ(LogBytes(), logBefore);
    EXPECT_TRUE(LeftoverTempFiles(dir.path()).isEmpty())
        << LeftoverTempFiles(dir.path()).join(' ').toStdString();

    // One message for the close and the flag written again after it.
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Error);
    const QString text = fakes.boxes.shown[0].text;
    const QString intro = Own(kTextSessionNotSaved, kSwedishOffset)
                              .arg(platform::DataDirectory(),
                                   QString::fromLocal8Bit(std::strerror(EFBIG)), QString());
    EXPECT_TRUE(text.startsWith(intro)) << text.toStdString();
    for (const QString& item : {Own(kTextUnsavedCostTotal, kSwedishOffset).arg("$ 11.00"),
                                Own(kTextUnsavedNetTime, kSwedishOffset).arg("01:02:00"),
                                Own(kTextUnsavedLogLine, kSwedishOffset).arg(line),
                                Own(kTextUnsavedActiveFlag, kSwedishOffset)}) {
        EXPECT_TRUE(text.contains(QStringLiteral("\n- ") + item))
            << item.toStdString() << " in " << text.toStdString();
    }
    EXPECT_EQ(f.Unsaved.size(), 4);
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Ja"));
}

TEST_F(SaveFailureTest, ALogThatCannotGrowIsReportedWhileTheTotalsAreSaved) {
    LogLines(120);  // a log of about 5 kB; the settings file stays well below 2 kB
    Ini(QStringLiteral("Session"), QStringLiteral("Försök"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Försök"), QStringLiteral("Antal"), QStringLiteral("2"));
    TForm1& f = Create();
    StartSession();
    Run(10);  // a failed try
    const QByteArray logBefore = LogBytes();
    ASSERT_GT(logBefore.size(), 4096);
    ASSERT_LT(IniBytes().size(), 1024);
    {
        FileSizeLimit limit(2048);
        ASSERT_TRUE(limit.ok());
        Release();
    }
    EXPECT_EQ(LogBytes(), logBefore);
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("10.50"));
    EXPECT_EQ(Read(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("3"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    ASSERT_EQ(f.Unsaved.size(), 1);
    EXPECT_EQ(f.Unsaved[0], Own(kTextUnsavedLogLine, kSwedishOffset)
                                .arg(QStringLiteral("06.12.1999 14:05:09-+FÖRSÖK+^   0.5000")));
    EXPECT_TRUE(fakes.boxes.shown[0].text.endsWith(QStringLiteral("\n- ") + f.Unsaved[0]));
}

// The reason shown is the failed write's own, not what errno holds after it.
TEST_F(SaveFailureTest, TheReasonShownIsTheOneTheWriteFailedWith) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(kLogFile));  // a log that is no file
    TForm1& f = Create();
    StartSession();
    Run(180);
    Release();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(f.Unsaved, QStringList{Own(kTextUnsavedLogLine, kSwedishOffset).arg(line)});
    EXPECT_TRUE(fakes.boxes.shown[0].text.contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
        << fakes.boxes.shown[0].text.toStdString();
}

TEST_F(SaveFailureTest, SessionFlagThatCannotBeClearedIsReportedEvenForAnUncountedSession) {
    TForm1& f = Create();
    StartSession();
    Run(40);  // 10 connected seconds: not counted
    {
        FileSizeLimit limit(1);
        ASSERT_TRUE(limit.ok());
        Release();
    }
    EXPECT_FALSE(f.LastClose.Counted);
    EXPECT_EQ(ends, 1);
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(f.Unsaved, QStringList{Own(kTextUnsavedActiveFlag, kSwedishOffset)});
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Ja"));
}

TEST_F(SaveFailureTest, EverythingWrittenMeansNoMessage) {
    TForm1& f = Create();
    StartSession();
    Run(180);
    Release();
    EXPECT_TRUE(fakes.boxes.shown.empty());
    EXPECT_TRUE(f.Unsaved.isEmpty());
    EXPECT_EQ(LogLine(1), line);
}

}  // namespace
}  // namespace vindelor::test
