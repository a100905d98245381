// work_place_test.cpp - the rule for where the window's books go, and private directories.
#include "ui/work_place.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

using namespace quorix;
namespace fs = std::filesystem;

namespace {

// The rule as an ordinary user sees it: root may write anywhere, so a root test run
// asks from a child process that has dropped to "nobody".
fs::path RuleAsUser(const fs::path& program, const fs::path& documents) {
    if (::geteuid() != 0) return MidletsParentFor(program, documents);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const std::string answer = MidletsParentFor(program, documents).string();
        const bool written =
            ::write(pipeEnds[1], answer.data(), answer.size()) == ssize_t(answer.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? fs::path(answer) : fs::path();
}

}  // namespace

class WorkPlaceTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    fs::path Root() const { return root_.path().toStdString(); }

  private slots:
    void initTestCase() {
        // Let the child that drops to "nobody" reach the test's directories.
        ::chmod(root_.path().toLocal8Bit().constData(), 0755);
    }

    void writableProgramDirectoryKeepsTheBooks_data() {
        QTest::addColumn<bool>("midletsExists");
        QTest::newRow("no midlets yet") << false;
        QTest::newRow("midlets there") << true;
    }
    void writableProgramDirectoryKeepsTheBooks() {
        QFETCH(bool, midletsExists);
        const fs::path program = Root() / (midletsExists ? "portable-with" : "portable");
        fs::create_directories(midletsExists ? program / "midlets" : program);
        fs::permissions(program, fs::perms::all);
        if (midletsExists) fs::permissions(program / "midlets", fs::perms::all);
        QCOMPARE(RuleAsUser(program, Root() / "docs"), program);
    }

    void readOnlyProgramDirectorySendsThemToDocuments_data() {
        QTest::addColumn<bool>("midletsExists");
        QTest::newRow("no midlets") << false;
        QTest::newRow("read-only midlets") << true;
    }
    void readOnlyProgramDirectorySendsThemToDocuments() {
        QFETCH(bool, midletsExists);
        const fs::path program = Root() / (midletsExists ? "installed-with" : "installed");
        fs::create_directories(program / "midlets");
        if (!midletsExists) fs::remove(program / "midlets");
        const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                              fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
        if (midletsExists) fs::permissions(program / "midlets", readOnly);
        fs::permissions(program, midletsExists ? fs::perms::all : readOnly);
        QCOMPARE(RuleAsUser(program, Root() / "docs"), Root() / "docs" / "Quorix Maker");
        fs::permissions(program, fs::perms::all);
    }

    void midletsThatIsNotADirectorySendsThemToDocuments() {
        const fs::path program = Root() / "odd";
        fs::create_directories(program);
        std::ofstream(program / "midlets") << "a file";
        QCOMPARE(MidletsParentFor(program, Root() / "docs"), Root() / "docs" / "Quorix Maker");
    }

    void eachBuildHasItsOwnTemporaryDirectory() {
        fs::path kept;
        {
            TPrivateDirectory one, two;
            QVERIFY(one.Path() != two.Path());
            QVERIFY(fs::is_directory(one.Path()) && fs::is_directory(two.Path()));
            QCOMPARE(std::distance(fs::directory_iterator(one.Path()), {}), 1);  // its mark
            fs::create_directories(one.Path() / "temp" / "META-INF");
            std::ofstream(one.Path() / "temp" / "book.dat") << "x";
            kept = one.Path();
        }
        QVERIFY(!fs::exists(kept));
        // A tree kept for the user is no dead build's: the next one leaves it.
        {
            TPrivateDirectory one;
            one.Keep();
            kept = one.Path();
        }
        TPrivateDirectory next;
        QVERIFY(fs::is_directory(kept));
        fs::remove_all(kept);
    }
};

QTEST_APPLESS_MAIN(WorkPlaceTest)
#include "work_place_test.moc"
