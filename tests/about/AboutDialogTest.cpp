// The About dialog and its version check, against a real web server that no one here wrote
// (Python's http.server on a loopback port) and against an in-process server that replies in
// the awkward ways a network can: split, lower case, binary, huge, refused, silent, closed.
#include "about/AboutDialog.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pixbako::test {
namespace {

struct Box {
    std::string text;
    BoxIcon icon;
};

class RecordingDialogs final : public IDialogs {
public:
    std::vector<BeepKind> beeps;
    std::vector<Box> boxes;
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        EXPECT_EQ(buttons, BoxButtons::Ok);
        boxes.push_back({text, icon});
        return BoxAnswer::Ok;
    }
};

const std::string kNewest =
    "お使いのバージョンは最新バージョンです\r\nバージョンアップの必要はありません";
const std::string kFailed = "バージョン情報取得に失敗しました";

std::string updateText(const std::string& newest) {
    return "バージョンアップしております\r\n使用中のバージョン　2.1.0\r\n最新バージョン　　　　" +
           newest + "\r\nホームページより最新バージョンをダウンロードしてください";
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class AboutTest : public ::testing::Test {
protected:
    RecordingDialogs dialogs;
    std::vector<QUrl> opened;
    std::unique_ptr<AboutDialog> dialog;

    void open(quint16 port, int replyTimeoutMs = 15000) {
        AboutSetup setup = defaultAboutSetup(dialogs);
        setup.server.address = QStringLiteral("127.0.0.1");
        setup.server.port = port;
        setup.server.replyTimeoutMs = replyTimeoutMs;
        setup.openUrl = [this](const QUrl& url) { opened.push_back(url); };
        dialog = std::make_unique<AboutDialog>(std::move(setup));
        dialog->show();
    }

    // Presses the button and waits for the check's one box; a second one would be a fault.
    void check() {
        dialog->findChild<QPushButton*>("Button1")->click();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.boxes.empty(); }, 10000));
        QTest::qWait(20);
        EXPECT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_FALSE(dialog->checking());
    }

    void expectBox(const std::string& text, BoxIcon icon, BeepKind beep) {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, text);
        EXPECT_EQ(dialogs.boxes[0].icon, icon);
        EXPECT_EQ(dialogs.beeps, std::vector<BeepKind>{beep});
    }
    void expectFailure() { expectBox(kFailed, BoxIcon::Warning, BeepKind::Hand); }
};

TEST_F(AboutTest, ShowsTheFirstFiveCharactersOfTheVersionAndOpensBothLinks) {
    open(80);
    EXPECT_EQ(dialog->windowTitle(), "about");
    EXPECT_EQ(dialog->currentVersion(), "2.1.0");
    EXPECT_EQ(dialog->findChild<QLabel*>("Label2")->text(), "2.1.0");
    EXPECT_EQ(dialog->findChild<QLabel*>("Label7")->text(), "Ver");
    EXPECT_EQ(dialog->findChild<QPushButton*>("Button1")->text(), "バージョンチェック");
    EXPECT_FALSE(dialog->findChild<QWidget*>("Memo1")->isVisible());
    QTest::mouseClick(dialog->findChild<QLabel*>("Label4"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QLabel*>("Label5"), Qt::LeftButton);
    const AboutSetup built = defaultAboutSetup(dialogs);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl(built.homePage));
    EXPECT_EQ(opened[1], QUrl("mailto:" + built.mailAddress));
}

TEST(VersionReply, MarkerLineGivesCharactersFiveToNineExactlyCaseSensitive) {
    struct Case {
        QByteArray reply;
        std::optional<QString> newest;
    };
    const Case cases[] = {
        {"PXBK2.1.0", QString("2.1.0")},
        {"a\r\nb\nc\rPXBK2.0.9\r\nPXBK9.9.9", QString("2.0.9")},
        {"PXBK2.1.0-beta\r\n", QString("2.1.0")},
        {"PXBK2.1\r\n", QString("2.1")}, // shorter: reported as a different version
        {"pxbk2.1.0\r\n", std::nullopt},
        {" PXBK2.1.0\r\n", std::nullopt},
        {"", std::nullopt},
        {QByteArray("\0PXBK\0\xff\r\nPXBK2.2.0", 22), QString("2.2.0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        EXPECT_EQ(newestVersionIn(replyLines(c.reply)), c.newest);
    }
    EXPECT_EQ(replyLines("a\r\n\r\nb\r\n"), QStringList({"a", "", "b"}));
}

// --- against Python's http.server ---

class PythonServerTest : public AboutTest {
protected:
    static inline std::unique_ptr<QTemporaryDir> folder;
    static inline std::unique_ptr<QProcess> server;
    static inline quint16 port = 0;
    static inline bool listening = false;

    static QString python() {
        return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3")
                                                 : QStringLiteral("python3");
    }

    static void SetUpTestSuite() {
        folder = std::make_unique<QTemporaryDir>();
        QDir(folder->path()).mkpath("authors/QR402816");
        port = freePort();
        server = std::make_unique<QProcess>();
        server->start(python(), {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1",
                                 "--directory", folder->path()});
        if (!server->waitForStarted(5000))
            return;
        // Listening once a connection succeeds.
        listening = QTest::qWaitFor(
            [] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                return probe.waitForConnected(100);
            },
            5000);
    }

    static void TearDownTestSuite() {
        server->kill();
        server->waitForFinished(2000);
        server.reset();
        folder.reset();
    }

    void SetUp() override {
        if (!listening || server->state() != QProcess::Running)
            GTEST_SKIP() << "python3 -m http.server did not start";
    }

    void publish(const QByteArray& versionFile) {
        QFile file(folder->filePath("authors/QR402816/VER.TXT"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(versionFile);
    }
};

TEST_F(PythonServerTest, SameOlderAndNewerVersionLinesGiveTheirMessages) {
    struct Case {
        QByteArray file;
        std::string text;
        BeepKind beep;
    };
    const Case cases[] = {
        {"PXBK2.1.0\r\n", kNewest, BeepKind::Question},
        {"PXBK2.0.9\r\n", updateText("2.0.9"), BeepKind::Asterisk},
        {"PXBK2.2.0\r\n", updateText("2.2.0"), BeepKind::Asterisk},
        {"Pixbako version file\r\nupdated 2026-12-01\r\nPXBK2.1.0\r\n", kNewest,
         BeepKind::Question},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        dialogs = {};
        publish(c.file);
        open(port);
        check();
        expectBox(c.text, BoxIcon::Information, c.beep);
    }
}

TEST_F(PythonServerTest, MissingVersionFileGivesTheFailureWarning) {
    QFile::remove(folder->filePath("authors/QR402816/VER.TXT"));
    open(port);
    check();
    expectFailure();
}

// --- against an in-process server ---

// Accepts connections and answers each request with `reply` (or by closing, or not at all).
class TinyServer : public QObject {
public:
    std::vector<QByteArray> parts; // written one after another, flushed separately
    enum class Then { Close, StayOpen } then = Then::Close;
    bool answer = true;
    QByteArray request;
    QTcpServer server;
    QTcpSocket* client = nullptr;

    TinyServer() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            client = server.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, this, [this] {
                request += client->readAll();
                if (!request.endsWith("\r\n"))
                    return;
                if (!answer) {
                    if (then == Then::Close)
                        client->disconnectFromHost();
                    return;
                }
                for (std::size_t at = 0; at < parts.size(); ++at) {
                    // A later part goes out only if the client is still listening after the
                    // earlier one; a client that reads everything until the end gets it.
                    if (at > 0 && QTest::qWaitFor([this] { return clientGone(); }, 1000))
                        return;
                    client->write(parts[at]);
                    client->flush();
                }
                if (then == Then::Close)
                    client->disconnectFromHost();
            });
        });
    }
    quint16 port() const { return server.serverPort(); }
    bool clientGone() const { return client->state() != QAbstractSocket::ConnectedState; }
};

TEST_F(AboutTest, SendsTheOneRequestLineAndNothingElse) {
    TinyServer server;
    server.parts = {"PXBK2.1.0\r\n"};
    open(server.port());
    check();
    EXPECT_EQ(server.request, "GET /authors/QR402816/VER.TXT\r\n");
    expectBox(kNewest, BoxIcon::Information, BeepKind::Question);
}

TEST_F(AboutTest, OnlyTheFirstPortionCountsAndAnythingElseIsOneFailureWarning) {
    QByteArray binary(4096, '\0');
    for (char& byte : binary)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    binary.replace("PXBK", "pxbk");
    struct Case {
        const char* what;
        std::vector<QByteArray> parts;
        bool newest;
    };
    const Case cases[] = {
        {"marker in the second packet", {"Pixbako\r\n", "PXBK2.1.0\r\n"}, false},
        {"lower-case marker", {"pxbk2.1.0\r\n"}, false},
        {"binary bytes", {binary}, false},
        {"a megabyte without line breaks", {QByteArray(1 << 20, 'A')}, false},
        {"marker before a megabyte", {"PXBK2.1.0\r\n" + QByteArray(1 << 20, 'x')}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs = {};
        TinyServer server;
        server.parts = c.parts;
        open(server.port());
        check();
        if (c.newest)
            expectBox(kNewest, BoxIcon::Information, BeepKind::Question);
        else
            expectFailure();
        EXPECT_LE(dialog->findChild<QPlainTextEdit*>("Memo1")->toPlainText().size(),
                  VersionCheck::kMaxPortion);
    }
}

TEST_F(AboutTest, RefusedClosedAndSilentConnectionsGiveOneFailureWarning) {
    {
        SCOPED_TRACE("refused");
        open(freePort());
        check();
        expectFailure();
    }
    {
        SCOPED_TRACE("closed without a reply");
        dialogs = {};
        TinyServer server;
        server.answer = false;
        open(server.port());
        check();
        expectFailure();
    }
    {
        SCOPED_TRACE("never answers");
        dialogs = {};
        TinyServer server;
        server.answer = false;
        server.then = TinyServer::Then::StayOpen;
        open(server.port(), 200);
        check();
        expectFailure();
    }
    {
        SCOPED_TRACE("not an IPv4 address");
        dialogs = {};
        AboutSetup setup = defaultAboutSetup(dialogs);
        setup.server.address = "version.example";
        dialog = std::make_unique<AboutDialog>(std::move(setup));
        check();
        expectFailure();
    }
}

TEST_F(AboutTest, ClosingTheDialogDuringACheckIsSilentAndSafe) {
    TinyServer server;
    server.answer = false;
    server.then = TinyServer::Then::StayOpen;
    open(server.port());
    dialog->findChild<QPushButton*>("Button1")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.request.isEmpty(); }, 5000));
    dialog->reject();
    dialog.reset();
    server.client->write("PXBK2.1.0\r\n");
    server.client->flush();
    QTest::qWait(50);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
}

TEST_F(AboutTest, PressingAgainDuringACheckStartsOverWithOneAnswer) {
    TinyServer server;
    server.parts = {"PXBK2.0.9\r\n"};
    open(server.port());
    dialog->findChild<QPushButton*>("Button1")->click();
    check();
    expectBox(updateText("2.0.9"), BoxIcon::Information, BeepKind::Asterisk);
}

} // namespace
} // namespace pixbako::test
