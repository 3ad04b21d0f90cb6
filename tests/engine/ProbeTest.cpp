// The pixbako-probe command: one line per file, and a failing exit code when a file failed.
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace pixbako {
namespace {

struct ProbeRun {
    std::string output;
    int exitCode = -1;
};

ProbeRun runProbe(const std::string& arguments) {
    std::string command = "TZ=UTC0 LC_ALL=C '" PIXBAKO_PROBE_PATH "' " + arguments;
    ProbeRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Probe, PrintsDateSourceAndPatternTextPerFile) {
    TempFolder folder;
    const std::string jpg = folder.path() + "/a.jpg";
    const std::string png = folder.path() + "/b.png";
    const std::string missing = folder.path() + "/missing.jpg";
    test::writeTestFile(jpg, test::cameraJpeg("2004:05:06 12:34:56"));
    test::writeTestFile(png, "png", UnixTime{1083814497, 0});

    ProbeRun run = runProbe("--pattern yyyy_mm_dd '" + jpg + "' '" + png + "'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, jpg + "\t2004-05-06 12:34:56\texif\t2004_05_06\n" + png +
                              "\t2004-05-06 03:34:56\tfiletime\t2004_05_06\n");

    run = runProbe("'" + missing + "' '" + jpg + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, missing + "\tファイル " + missing + " は開けません\n" + jpg +
                              "\t2004-05-06 12:34:56\texif\n");
}

TEST(Probe, AllFormatsNamesTheSourceOfEachDate) {
    const std::string samples = PIXBAKO_SAMPLES_DIR;
    const std::string raw = samples + "/Nikon.nef";
    const std::string movie = samples + "/RIFF.avi";
    const std::string heif = samples + "/QuickTime.heic";
    ProbeRun run = runProbe("--all-formats '" + raw + "' '" + movie + "' '" + heif + "'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.substr(0, run.output.rfind(heif)),
              raw + "\t2004-06-09 16:02:35\traw\n" + movie + "\t2003-03-10 15:04:43\tmovie\n");
    EXPECT_NE(run.output.find("\tfiletime\n", run.output.rfind(heif)), std::string::npos);
    run = runProbe("'" + raw + "'");
    EXPECT_NE(run.output.find("\tfiletime\n"), std::string::npos);
}

// With --shots a RAW's sidecar and JPEG take the shot's date: the JPEG's EXIF date first.
TEST(Probe, ShotsGiveEveryFileOfAShotItsDate) {
    TempFolder folder;
    const std::string raw = folder.path() + "/DSC_1.NEF";
    const std::string jpeg = folder.path() + "/DSC_1.JPG";
    const std::string sidecar = folder.path() + "/DSC_1.xmp";
    std::filesystem::copy_file(std::string(PIXBAKO_SAMPLES_DIR) + "/Nikon.nef", raw);
    test::writeTestFile(jpeg, test::cameraJpeg("2004:06:09 16:02:34"));
    test::writeTestFile(sidecar, "<x/>", UnixTime{1083814497, 0});
    const ProbeRun run =
        runProbe("--all-formats --shots '" + raw + "' '" + jpeg + "' '" + sidecar + "'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, raw + "\t2004-06-09 16:02:34\texif\n" + jpeg +
                              "\t2004-06-09 16:02:34\texif\n" + sidecar +
                              "\t2004-06-09 16:02:34\texif\n");
}

// File names and date texts with tabs, line breaks or escape characters came out raw: one
// file gave several lines, and ESC reached the terminal.
TEST(Probe, ControlCharactersAreEscapedSoEachFileIsOneLine) {
    TempFolder folder;
    const std::string dir = folder.path();
    const std::string tabbed = dir + "/a\tb\nc\\d.jpg";
    const std::string escape = dir + "/e\x1b[31mf\x7f\xc2\x9b.png";
    const std::string badDate = dir + "/bad.jpg";
    test::writeTestFile(tabbed, test::cameraJpeg("2004:05:06 12:34:56"));
    test::writeTestFile(escape, "png", UnixTime{1083814497, 0});
    test::writeTestFile(badDate, test::cameraJpeg("2004\t05\r\n\x1b]0;x\x07"));

    ProbeRun run =
        runProbe("--pattern '\"\t\"yyyy' '" + tabbed + "' '" + escape + "' '" + badDate + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output,
              dir + "/a\\tb\\nc\\\\d.jpg\t2004-05-06 12:34:56\texif\t\\t2004\n" + dir +
                  "/e\\x1b[31mf\\x7f\\xc2\\x9b.png\t2004-05-06 03:34:56\tfiletime\t\\t2004\n" +
                  badDate + "\t'2004\\t05\\r\\n\\x1b]0;x\\x07' は日付または時刻ではありません\n");
}

} // namespace
} // namespace pixbako
