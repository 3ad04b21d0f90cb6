// The built program run as a script would run it: offscreen, with a settings file and
// command-line arguments, checked by what it leaves on disk, its standard error and its exit
// status.
#include "e2e/PixbakoProcess.h"
#include "support/JpegBuilder.h"

#include "platform/Encoding.h"
#include "platform/TemporaryName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sys/stat.h>

namespace pixbako::test {
namespace {

class E2eTest : public ::testing::Test {
protected:
    PixbakoInstall pixbako;
    std::string card, save, calls, recorder;

    void SetUp() override {
        card = pixbako.root() + "/media/CARD/DCIM";
        save = pixbako.root() + "/写真";
        calls = pixbako.root() + "/calls";
        fs::create_directories(card);
        fs::create_directories(save);
        fs::create_directories(calls);
        // Records its arguments, one a line after their count, in a file of its own.
        recorder = pixbako.root() + "/record args.sh";
        std::ofstream(recorder) << "#!/bin/sh\n"
                                   "out='"
                                << calls
                                << "'/$$\n"
                                   "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > "
                                   "\"$out.part\"\n"
                                   "mv \"$out.part\" \"$out\"\n";
        ::chmod(recorder.c_str(), 0755);
    }

    void shot(const std::string& folder, const std::string& name, const std::string& date) {
        writeTestFile(folder + "/" + name, cameraJpeg(date));
    }

    // Copy (MODE=1) into date folders with plain names, auto exit on, no questions.
    Strings settings(const Strings& extra = {}) const {
        Strings lines = {"READ=" + card, "WRITE=" + save, "OVERW=0",     "AUTOQUIT=1",
                         "MODE=1",       "RENAME=0",      "DIRCHKBOX=1", "DDATE=yyyy_mm_dd"};
        // A key given again replaces the default (an INI file takes a key's first line).
        for (const std::string& line : extra) {
            const std::string key = line.substr(0, line.find('=') + 1);
            auto same = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return l.starts_with(key); });
            if (same != lines.end())
                *same = line;
            else
                lines.push_back(line);
        }
        return lines;
    }

    // The argument lists the recorder was started with, once `count` have arrived.
    std::vector<Strings> recordedCalls(std::size_t count) const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::vector<Strings> result;
        while (std::chrono::steady_clock::now() < until) {
            result.clear();
            for (const auto& entry : fs::directory_iterator(calls)) {
                if (entry.path().extension() == ".part")
                    continue;
                std::ifstream in(entry.path());
                Strings lines;
                for (std::string line; std::getline(in, line);)
                    lines.push_back(line);
                result.push_back(lines);
            }
            if (result.size() >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return result;
    }
};

TEST_F(E2eTest, FolderArgumentImportsAndEndsWithoutShowingAnything) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    shot(card, "IMG_0002.JPG", "2024:05:02 11:00:00");
    pixbako.writeSettings(settings({"READ=/elsewhere"}));
    const ProcessResult result = pixbako.run({card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(filesUnder(save), (Strings{"2024_05_01/IMG_0001.JPG", "2024_05_02/IMG_0002.JPG"}));
    EXPECT_EQ(result.stderrText.find("Pixbako:"), std::string::npos) << result.stderrText;
    // The read-in folder of the settings is still the saved one.
    EXPECT_NE(readBytes(pixbako.iniPath()).find("READ=/elsewhere\r\n"), std::string::npos);
}

// Without a screen a run needs no window system at all: no platform plugin is loaded (Qt names
// each one it loads when asked to), the window's placement in the settings stays as it was, and
// the settings are still saved at the end.
TEST_F(E2eTest, RunWithoutAScreenMakesNoWindowAndKeepsThePlacement) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    std::vector<std::string> lines = settings({"READ=/elsewhere"});
    lines.insert(lines.end(), {"", "[Form]", "Top=5000", "Left=-40", "Width=900", "Height=700"});
    pixbako.writeSettings(lines);
    pixbako.environment = {"QT_DEBUG_PLUGINS=1"};
    const ProcessResult result = pixbako.run({card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(filesUnder(save), (Strings{"2024_05_01/IMG_0001.JPG"}));
    EXPECT_EQ(result.stderrText.find("platforms"), std::string::npos) << result.stderrText;
    const std::string ini = readBytes(pixbako.iniPath());
    EXPECT_NE(ini.find("[Form]\r\nTop=5000\r\nLeft=-40\r\nWidth=900\r\nHeight=700\r\n"),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("VER=2.1.0.0\r\n"), std::string::npos) << ini;
}

// A card of today: a RAW with its JPEG and sidecar, and a movie. With the extended settings the
// RAW and the movie are named by the dates their cameras wrote, and the three files of one
// shot share one folder and one number, in copy and in move mode.
TEST_F(E2eTest, ExtendedSettingsKeepAShotTogetherUnderTheCamerasDates) {
    for (const char* mode : {"MODE=1", "MODE=0"}) {
        SCOPED_TRACE(mode);
        fs::remove_all(save);
        fs::create_directories(save);
        fs::copy_file(std::string(PIXBAKO_SAMPLES_DIR) + "/Nikon.nef", card + "/DSC_0001.NEF",
                      fs::copy_options::overwrite_existing);
        shot(card, "DSC_0001.JPG", "2004:06:09 16:02:35");
        writeTestFile(card + "/dsc_0001.xmp", "<x:xmpmeta/>");
        fs::copy_file(std::string(PIXBAKO_SAMPLES_DIR) + "/RIFF.avi", card + "/MVI_0002.AVI",
                      fs::copy_options::overwrite_existing);
        pixbako.writeSettings(settings({mode, "METADATES=1", "BUNDLE=1", "RENAME=1", "FMAE=",
                                        "FDATE=yyyymmdd", "FATO=_", "FNUM=3", "FAUTONUMF=0"}));
        const ProcessResult result = pixbako.run({card});
        EXPECT_EQ(result.status, 0) << result.stderrText;
        EXPECT_EQ(filesUnder(save),
                  (Strings{"2003_03_10/20030310_(001).AVI", "2004_06_09/20040609_(001).JPG",
                           "2004_06_09/20040609_(001).NEF", "2004_06_09/20040609_(001).xmp"}));
        EXPECT_EQ(filesUnder(card).empty(), std::string(mode) == "MODE=0");
    }
}

TEST_F(E2eTest, TwoFolderArgumentsImportBothAndOnlyTheSecondStartsTheProgram) {
    const std::string second = pixbako.root() + "/media/CARD2";
    fs::create_directories(second);
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    shot(second, "IMG_0100.JPG", "2024:06:01 10:00:00");
    pixbako.writeSettings(settings({"RUNF=1", "RUNNAME=" + recorder, "RUNPARA2=1"}));
    const ProcessResult result = pixbako.run({card, second});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(filesUnder(save), (Strings{"2024_05_01/IMG_0001.JPG", "2024_06_01/IMG_0100.JPG"}));
    const std::vector<Strings> started = recordedCalls(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // a second start would show
    EXPECT_EQ(recordedCalls(1), (std::vector<Strings>{{"1", save + "/2024_06_01"}}));
    EXPECT_EQ(started.size(), 1u);
}

TEST_F(E2eTest, SwitchSImportsTheSavedFolderAndAutoExitEndsIt) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    pixbako.writeSettings(settings());
    const ProcessResult result = pixbako.run({"-S"});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(filesUnder(save), Strings{"2024_05_01/IMG_0001.JPG"});
}

// Nobody can close a window without a screen: cron and udev runs waited for ever.
TEST_F(E2eTest, WithoutAScreenACommandLineRunEndsEvenWithAutoExitOff) {
    // Under cron or udev there is neither a display nor a platform named.
    for (const char* platform : {"offscreen", ""})
        for (const std::string& argument : {card, std::string("-S")}) {
            SCOPED_TRACE(argument + " on platform '" + std::string(platform) + "'");
            pixbako.platform = platform;
            fs::remove_all(save);
            fs::create_directories(save);
            shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
            pixbako.writeSettings(settings({"AUTOQUIT=0"}));
            const ProcessResult result = pixbako.run({argument}, 15);
            EXPECT_EQ(result.status, 0) << result.stderrText;
            EXPECT_EQ(filesUnder(save), Strings{"2024_05_01/IMG_0001.JPG"});
            // The saved choice is kept for the next start with a screen.
            EXPECT_NE(readBytes(pixbako.iniPath()).find("AUTOQUIT=0\r\n"), std::string::npos);
        }
}

// SIGTERM, as a service manager sends it, in the middle of the copies: the run stops as its
// stop button stops it. No temporary file is left, the log of what was done is written, the
// exit status tells the signal, and every original is where it was.
TEST_F(E2eTest, SigtermDuringARunLeavesNoTemporaryFileWritesTheLogAndFails) {
    constexpr int kFiles = 150;
    const std::string padding(256 * 1024, 'x'); // after the picture's end: long enough copies
    std::vector<std::string> originals;
    for (int i = 0; i < kFiles; ++i) {
        originals.push_back(cameraJpeg("2024:05:01 10:00:00") + padding + std::to_string(i));
        writeTestFile(card + "/IMG_" + std::to_string(1000 + i) + ".JPG", originals.back());
    }
    pixbako.writeSettings(settings({"LOGF=1"}));
    const pid_t pid = pixbako.start({card});
    ASSERT_GT(pid, 0);
    // The first entry in the date folder: the copies have begun.
    const std::string folder = save + "/2024_05_01";
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto begun = [&] {
        std::error_code ec;
        return fs::exists(folder, ec) && !fs::is_empty(folder, ec);
    };
    while (!begun() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGTERM); // the time guard passes it on to the program
    const ProcessResult result = pixbako.finish(pid);

    const Strings saved = filesUnder(save);
    const auto copies = std::count_if(saved.begin(), saved.end(), [](const std::string& f) {
        return f.rfind("2024_05_01/IMG_", 0) == 0;
    });
    if (copies == kFiles)
        GTEST_SKIP() << "the copies were over before the signal came";
    EXPECT_EQ(result.status, 128 + SIGTERM) << result.stderrText;
    EXPECT_LT(copies, kFiles);
    for (const std::string& file : saved)
        EXPECT_EQ(file.find(".pixbako-"), std::string::npos) << "temporary file left: " << file;
    EXPECT_EQ(std::count_if(saved.begin(), saved.end(),
                            [](const std::string& f) { return f.ends_with(".LOG"); }),
              1);
    for (int i = 0; i < kFiles; ++i)
        ASSERT_EQ(readBytes(card + "/IMG_" + std::to_string(1000 + i) + ".JPG"), originals[i]) << i;
}

// The program under the time guard `guard` once it waits in its event loop: it catches
// SIGTERM (its handlers are installed first thing) and its main thread sleeps in poll (x86-64
// numbers; elsewhere only the first holds). False after 20 seconds.
bool waitUntilTheWindowWaits(pid_t guard) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::string children =
        "/proc/" + std::to_string(guard) + "/task/" + std::to_string(guard) + "/children";
    while (std::chrono::steady_clock::now() < until) {
        std::string program;
        std::ifstream(children) >> program;
        bool catches = false;
        std::ifstream status("/proc/" + program + "/status");
        for (std::string line; !program.empty() && std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0)
                catches = std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1) & 1;
        std::string call;
        std::ifstream("/proc/" + program + "/syscall") >> call;
#if defined(__x86_64__)
        const bool polls = call == "7" || call == "271";
#else
        const bool polls = true;
#endif
        if (catches && polls)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A window waiting for its user takes SIGTERM (a session ending) as its close box and ends
// with a status that tells the signal.
TEST_F(E2eTest, SigtermClosesAWaitingWindowWithTheSignalsStatus) {
    pixbako.writeSettings(settings());
    const pid_t pid = pixbako.start({});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitUntilTheWindowWaits(pid));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(pixbako.finish(pid).status, 128 + SIGTERM);
}

// A command-line run with a screen runs while the main window is being created: a box it shows
// then waits for its user. SIGTERM closes it as it closes any box, and the program ends with the
// signal's status. On the minimal platform boxes open and wait as on a screen, without one.
TEST_F(E2eTest, SigtermClosesABoxOfACommandLineRunOnAScreen) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    pixbako.writeSettings(settings({"WRITE="})); // the run stops with a box
    pixbako.platform = "minimal";
    const pid_t pid = pixbako.start({card}, 20);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitUntilTheWindowWaits(pid));
    ::kill(pid, SIGTERM);
    const ProcessResult result = pixbako.finish(pid);
    EXPECT_EQ(result.status, 128 + SIGTERM) << result.stderrText;
    EXPECT_TRUE(fs::exists(card + "/IMG_0001.JPG"));
}

TEST_F(E2eTest, MissingFolderIsReportedAndFailsTheExitStatus) {
    pixbako.writeSettings(settings());
    const std::string missing = pixbako.root() + "/media/NO_CARD";
    const ProcessResult result = pixbako.run({missing});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.stderrText.find("Pixbako: フォルダが見つかりません"), std::string::npos)
        << result.stderrText;
    EXPECT_NE(result.stderrText.find(missing), std::string::npos);
}

TEST_F(E2eTest, RunStoppedBeforeItsEndStillEndsAnUnattendedProgramWithFailure) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    for (const std::string& argument : {card, std::string("-S")}) {
        SCOPED_TRACE(argument);
        pixbako.writeSettings(settings({"WRITE="}));
        const ProcessResult result = pixbako.run({argument});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.stderrText.find("Pixbako: 保存フォルダを指定して下さい"),
                  std::string::npos)
            << result.stderrText;
        EXPECT_TRUE(fs::exists(card + "/IMG_0001.JPG"));
    }
}

TEST_F(E2eTest, FileNotTransferredFailsTheExitStatusAndNoQuestionWaits) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    shot(card, "IMG_0002.JPG", "2024:05:01 10:00:01");
    fs::create_directories(save + "/2024_05_01");
    writeTestFile(save + "/2024_05_01/IMG_0001.JPG", "the older picture");
    pixbako.writeSettings(settings({"OVERW=1"}));
    const ProcessResult result = pixbako.run({card});
    EXPECT_EQ(result.status, 1) << result.stderrText;
    // Replacing was answered No: the older picture is kept, the other file imported.
    EXPECT_EQ(readBytes(save + "/2024_05_01/IMG_0001.JPG"), "the older picture");
    EXPECT_TRUE(fs::exists(save + "/2024_05_01/IMG_0002.JPG"));
    EXPECT_NE(result.stderrText.find("IMG_0001.JPG"), std::string::npos) << result.stderrText;
}

TEST_F(E2eTest, LogOfAThreeFileRunHasItsExactBytesInCp932) {
    shot(card, "IMG_0003.JPG", "2024:05:02 09:00:00");
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    shot(card, "IMG_0002.JPG", "2024:05:01 10:00:01");
    pixbako.writeSettings(settings({"LOGF=1", "RENAME=1", "FMAE=写真", "FDATE=yyyymmdd", "FATO=_",
                                    "FNUM=1", "FNUMF=1", "START=1"}));
    const ProcessResult result = pixbako.run({card});
    ASSERT_EQ(result.status, 0) << result.stderrText;
    std::string log;
    for (const auto& entry : fs::directory_iterator(save))
        if (entry.path().extension() == ".LOG")
            log = entry.path().filename().string();
    EXPECT_TRUE(std::regex_match(log, std::regex(R"(\d{4}-\d\d-\d\d \d{9}\.LOG)"))) << log;
    const std::string bytes = readBytes(save + "/" + log);
    const std::string expected =
        "Pixbakoファイル操作ログファイル\r\n\r\n"
        "読込フォルダ名\t" +
        card +
        "\r\n\r\n"
        "元のファイル名\t新フォルダ名\t新ファイル名\tタイムスタンプ\r\n"
        "IMG_0001.JPG\t2024_05_01\t写真20240501_001.JPG\t20240501100000\r\n"
        "IMG_0002.JPG\t2024_05_01\t写真20240501_002.JPG\t20240501100001\r\n"
        "IMG_0003.JPG\t2024_05_02\t写真20240502_001.JPG\t20240502090000";
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos) << "no BOM: CP932";
    EXPECT_EQ(cp932ToUtf8(bytes), expected);
}

TEST_F(E2eTest, ProgramParameterInEachModeForOneOrSeveralDateFolders) {
    struct Case {
        const char* what;
        Strings extra;
        Strings dates;
        Strings arguments; // after the count line
    };
    const Case cases[] = {
        {"none", {"RUNPARA2=0"}, {"2024:05:01 10:00:00"}, {"0"}},
        {"automatic, one date folder",
         {"RUNPARA2=1"},
         {"2024:05:01 10:00:00"},
         {"1", "SAVE/2024_05_01"}},
        {"automatic, two date folders",
         {"RUNPARA2=1"},
         {"2024:05:01 10:00:00", "2024:05:02 10:00:00"},
         {"1", "SAVE/"}},
        {"automatic, date folders off",
         {"RUNPARA2=1", "DIRCHKBOX=0"},
         {"2024:05:01 10:00:00"},
         {"1", "SAVE/"}},
        {"given",
         {"RUNPARA2=2", "RUNPARASTR=--album 休日 2024"},
         {"2024:05:01 10:00:00"},
         {"1", "--album 休日 2024"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(save);
        fs::remove_all(card);
        fs::remove_all(calls);
        fs::create_directories(save);
        fs::create_directories(card);
        fs::create_directories(calls);
        int n = 0;
        for (const std::string& date : c.dates)
            shot(card, "IMG_000" + std::to_string(++n) + ".JPG", date);
        Strings extra = {"RUNF=1", "RUNNAME=" + recorder};
        extra.insert(extra.end(), c.extra.begin(), c.extra.end());
        pixbako.writeSettings(settings(extra));
        const ProcessResult result = pixbako.run({card});
        ASSERT_EQ(result.status, 0) << result.stderrText;
        Strings expected;
        for (const std::string& a : c.arguments)
            expected.push_back(a.starts_with("SAVE/") ? save + a.substr(4) : a);
        EXPECT_EQ(recordedCalls(1), std::vector<Strings>{expected});
    }
}

TEST_F(E2eTest, CrashLeftoversAreNeverImportedAndStaleOnesGoFromTheDestination) {
    shot(card, "IMG_0001.JPG", "2024:05:01 10:00:00");
    writeTestFile(card + "/.pixbako-Ab3xZ9.tmp", "half a copy");
    writeTestFile(card + "/.PXBK.tmp999999999-0", "half a counter");
    fs::create_directories(save + "/2024_05_01");
    const unsigned char random[6] = {9, 8, 7, 6, 5, 4};
    writeTestFile(save + "/2024_05_01/" + transferTemporaryName(random), "half a copy");
    writeTestFile(save + "/2024_05_01/notes.tmp", "someone else's");
    writeTestFile(save + "/2024_05_01/.pixbako-backup.tmp", "someone else's");
    pixbako.writeSettings(settings());
    const ProcessResult result = pixbako.run({card});
    EXPECT_EQ(result.status, 0) << result.stderrText;
    EXPECT_EQ(filesUnder(save), (Strings{"2024_05_01/.pixbako-backup.tmp",
                                         "2024_05_01/IMG_0001.JPG", "2024_05_01/notes.tmp"}));
    // The card keeps everything: a run reading from it deletes nothing there.
    EXPECT_EQ(filesUnder(card),
              (Strings{".PXBK.tmp999999999-0", ".pixbako-Ab3xZ9.tmp", "IMG_0001.JPG"}));
}

} // namespace
} // namespace pixbako::test
