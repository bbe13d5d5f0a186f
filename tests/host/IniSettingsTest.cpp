// The settings file: the private-profile format in memory, and the store against real files
// in a temporary configuration folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/DataFiles.h"
#include "platform/IniFile.h"
#include "platform/IniSettings.h"

namespace fs = std::filesystem;
using platform::IniSettings;
namespace ini = platform::ini;

namespace {

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::optional<std::string> after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

}  // namespace

TEST_P(IniWrite, KeepsEverythingElse) {
    const WriteCase& c = GetParam();
    const std::optional<std::string> after = ini::writeValue(c.before, c.section, c.key, c.value);
    EXPECT_EQ(after, c.after);
    if (after) {
        // Whatever the file held, the value reads back as written.
        std::string expected = c.value;
        expected = expected.substr(0, expected.find_first_of(std::string("\r\n\0", 3)));
        while (!expected.empty() && expected.front() == ' ') expected.erase(0, 1);
        EXPECT_EQ(ini::readValue(*after, c.section, c.key), expected.substr(0, 127));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"NewFile", "", "Options", "Speed", "slow", "[Options]\nSpeed=slow\n"},
        WriteCase{"ReplacesKeyCaseInsensitively", "[options]\nSPEED=fast\npot=5\n", "Options",
                  "Speed", "slow", "[options]\nSPEED=slow\npot=5\n"},
        WriteCase{"AddsKeyAtEndOfItsSection", "; mine\n[Options]\nSpeed=slow\n\n[Other]\nx=1\n",
                  "Options", "pot", " 2500",
                  "; mine\n[Options]\nSpeed=slow\npot= 2500\n\n[Other]\nx=1\n"},
        WriteCase{"SectionWithoutFinalLineBreak", "[Options]\nSpeed=slow", "Options", "odds", "on",
                  "[Options]\nSpeed=slow\nodds=on\n"},
        WriteCase{"AddsSectionAfterOthers", "[Other]\r\nx=1", "Options", "sound", "off",
                  "[Other]\r\nx=1\r\n[Options]\r\nsound=off\r\n"},
        WriteCase{"KeepsCrLfOfTheLine", "[Options]\r\nSpeed=fast\r\n", "Options", "Speed", "slow",
                  "[Options]\r\nSpeed=slow\r\n"},
        WriteCase{"FirstOfDuplicateKeys", "[Options]\nodds=a\nodds=b\n", "Options", "odds", "on",
                  "[Options]\nodds=on\nodds=b\n"},
        WriteCase{"ValueCannotAddLines", "[Options]\n", "Options", "pot", "1\n[Evil]\nx=2",
                  "[Options]\npot=1\n"},
        WriteCase{"KeepsByteOrderMarkAndItsSection", "\xEF\xBB\xBF[Options]\nSpeed=fast\n",
                  "Options", "Speed", "slow", "\xEF\xBB\xBF[Options]\nSpeed=slow\n"},
        WriteCase{"AddsToSectionAfterByteOrderMark", "\xEF\xBB\xBF[Options]\r\n", "Options", "pot",
                  "5", "\xEF\xBB\xBF[Options]\r\npot=5\r\n"},
        WriteCase{"ByteOrderMarkAlone", "\xEF\xBB\xBF", "Options", "pot", "5",
                  "\xEF\xBB\xBF[Options]\npot=5\n"},
        WriteCase{"KeyWithEqualsIsNotWritten", "[Options]\n", "Options", "a=b", "1", std::nullopt},
        WriteCase{"EmptySectionIsNotWritten", "", "", "pot", "1", std::nullopt}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(IniRead, FindsValuesAndCutsThem) {
    const std::string file =
        "x=outside any section\n[Other]\nSpeed=other\n[ OPTIONS ]\n  speed =  fast  \n;odds=off\n"
        "pot\n[Options]\nsound=late\n";
    EXPECT_EQ(ini::readValue(file, "Options", "Speed"), "fast");
    EXPECT_EQ(ini::readValue(file, "options", "SOUND"), "late");  // a later section of that name
    EXPECT_EQ(ini::readValue(file, "Options", "odds"), "");       // a comment
    EXPECT_EQ(ini::readValue(file, "Options", "pot"), "");        // no "="
    EXPECT_EQ(ini::readValue(file, "Options", "x"), "");
    EXPECT_EQ(ini::readValue(file, "Missing", "Speed"), "");
    EXPECT_EQ(ini::readValue("\xEF\xBB\xBF[Options]\nSpeed=fast\n", "Options", "Speed"), "fast");
    EXPECT_EQ(ini::readValue("\xEF\xBB\xBF  \n[Options]\nSpeed=fast\n", "Options", "Speed"),
              "fast");

    const std::string longValue(200, 'a');
    EXPECT_EQ(ini::readValue("[Options]\npot=" + longValue + "\n", "Options", "pot"),
              std::string(127, 'a'));
    // Cut before a character that would be split, and at a NUL.
    const std::string accents = std::string(126, 'a') + "\xC3\xA9\xC3\xA9";
    EXPECT_EQ(ini::readValue("[Options]\npot=" + accents, "Options", "pot"), std::string(126, 'a'));
    EXPECT_EQ(ini::readValue(std::string("[Options]\npot=12\0"
                                         "34\n",
                                         19),
                             "Options", "pot"),
              "12");
    // Bytes that are no UTF-8 at all are cut at 127 all the same.
    const std::string stray(200, '\x80');
    EXPECT_EQ(ini::readValue("[Options]\npot=" + stray, "Options", "pot"),
              std::string(127, '\x80'));
}

namespace {

class IniSettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/inisettings-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        config = root / "config";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }
    static std::string slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void spill(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    fs::path file() const { return config / "zopt22.ini"; }

    fs::path root, config;
    IniSettings settings;
};

}  // namespace

TEST_F(IniSettingsFiles, NoFileReadsEmptyAndFirstWriteCreatesIt) {
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "");
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    settings.write({"zopt22.ini", "Options", "pot"}, " 1000");
    EXPECT_EQ(slurp(file()), "[Options]\nSpeed=slow\npot= 1000\n");
    EXPECT_EQ(settings.read({"zopt22.ini", "options", "POT"}), "1000");
}

// The configuration folder and any missing folder above it are the user's alone; a folder
// that exists already keeps its mode.
TEST_F(IniSettingsFiles, MissingFoldersAreMadePrivate) {
    const mode_t umask = ::umask(022);
    fs::permissions(root, fs::perms(0755));
    const auto mode = [](const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    };

    ::setenv("XDG_CONFIG_HOME", (root / "xdg" / "deep" / "config").c_str(), 1);
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_EQ(slurp(root / "xdg" / "deep" / "config" / "zopt22.ini"), "[Options]\nSpeed=slow\n");
    for (const fs::path& made :
         {root / "xdg", root / "xdg" / "deep", root / "xdg" / "deep" / "config"})
        EXPECT_EQ(mode(made), 0700u) << made;
    EXPECT_EQ(mode(root), 0755u);

    // Without XDG_CONFIG_HOME: ~/.config.
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    fs::create_directory(root / "home");
    fs::permissions(root / "home", fs::perms(0751));
    ::setenv("HOME", (root / "home").c_str(), 1);
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_TRUE(fs::is_regular_file(root / "home" / ".config" / "zopt22.ini"));
    EXPECT_EQ(mode(root / "home" / ".config"), 0700u);
    EXPECT_EQ(mode(root / "home"), 0751u);

    // The folder of the pictures kept between runs, by the same rule.
    ::setenv("XDG_CACHE_HOME", (root / "xdg" / "cache").c_str(), 1);
    EXPECT_EQ(platform::cacheFolder("cardtable"), root / "xdg" / "cache" / "cardtable");
    EXPECT_EQ(mode(root / "xdg" / "cache"), 0700u);
    EXPECT_EQ(mode(root / "xdg" / "cache" / "cardtable"), 0700u);
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(platform::cacheFolder("oddsdesk"), root / "home" / ".cache" / "oddsdesk");
    EXPECT_EQ(mode(root / "home" / ".cache"), 0700u);

    if (home)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
    ::umask(umask);
}

TEST_F(IniSettingsFiles, WriteKeepsOtherLinesAndLeavesNoTemporary) {
    spill(file(), "# notes\r\n[Window]\r\nx=5\r\n[Options]\r\nodds=off\r\n");
    settings.write({"zopt22.ini", "Options", "odds"}, "on");
    settings.write({"zopt22.ini", "Options", "sound"}, "on");
    EXPECT_EQ(slurp(file()), "# notes\r\n[Window]\r\nx=5\r\n[Options]\r\nodds=on\r\nsound=on\r\n");
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(config)) {
        EXPECT_EQ(entry.path().filename(), "zopt22.ini");
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(IniSettingsFiles, ByteOrderMarkIsReadPastAndKept) {
    const std::string mark = "\xEF\xBB\xBF";
    spill(file(), mark + "[Options]\r\nSpeed=fast\r\nodds=off\r\n; mine\r\n[Window]\r\nx=5\r\n");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "fast");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "odds"}), "off");
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    settings.write({"zopt22.ini", "Options", "odds"}, "on");
    settings.write({"zopt22.ini", "Options", "sound"}, "on");
    settings.write({"zopt22.ini", "Options", "pot"}, " 1000");
    EXPECT_EQ(slurp(file()),
              mark +
                  "[Options]\r\nSpeed=slow\r\nodds=on\r\n; mine\r\nsound=on\r\npot= 1000\r\n"
                  "[Window]\r\nx=5\r\n");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "slow");
}

namespace {

// Another user's id than the test's own, for files that the test hands over to them
// (possible only as the superuser).
uid_t anotherUser() {
    return ::geteuid() == 65534 ? 65533 : 65534;
}

enum class Leads { File, Missing, Folder, Device };

struct LinkCase {
    const char* name;
    Leads target;
    bool targetOfAnother;              // the file at the end belongs to another user
    std::vector<bool> linksOfAnother;  // the links from the settings file on (none: a plain
                                       // file), each another user's or the test's own
    bool written;
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.name;
}

class IniSettingsLinks : public IniSettingsFiles, public ::testing::WithParamInterface<LinkCase> {
protected:
    // The names in `dir` that start with `prefix`.
    static std::set<std::string> names(const fs::path& dir, const std::string& prefix = "") {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename().string().starts_with(prefix))
                found.insert(entry.path().filename());
        return found;
    }
    static bool sameFile(const struct stat& a, const struct stat& b) {
        return a.st_uid == b.st_uid && a.st_gid == b.st_gid && a.st_mode == b.st_mode;
    }

    static constexpr const char* Before = "[Options]\nSpeed=fast\n";

    // Makes what the settings file leads to: the device, the settings file itself when it
    // is no link, else a file among the user's dotfiles. A file holds Before and is readable
    // by its group; of a missing file only the folder is made.
    fs::path makeTarget(Leads leads, bool throughLinks) const {
        const fs::path target = leads == Leads::Device ? fs::path("/dev/null")
                                : !throughLinks        ? file()
                                                       : root / "dotfiles" / "mine.ini";
        if (leads == Leads::File) {
            spill(target, Before);
            fs::permissions(target,
                            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        }
        if (leads == Leads::Folder) fs::create_directories(target);
        if (leads == Leads::Missing) fs::create_directories(target.parent_path());
        return target;
    }

    // The settings file, then each further link, the last one leading to `target`.
    std::vector<fs::path> makeLinks(const LinkCase& c, const fs::path& target) const {
        std::vector<fs::path> links;
        for (std::size_t k = 0; k < c.linksOfAnother.size(); ++k)
            links.push_back(k == 0 ? file() : root / "links" / ("hop" + std::to_string(k)));
        for (std::size_t k = 0; k < links.size(); ++k) {
            const bool last = k + 1 == links.size();
            // A link from the links folder leads on relative to it, as dotfiles links often
            // do.
            const fs::path to = !last                                ? links[k + 1]
                                : k > 0 && c.target != Leads::Device ? "../dotfiles/mine.ini"
                                                                     : target;
            fs::create_symlink(to, links[k]);
        }
        return links;
    }

    // Gives the links and the file that the case marks as another user's to that user;
    // false when the test does not run as the superuser, who alone can.
    static bool handOver(const LinkCase& c, const std::vector<fs::path>& links,
                         const fs::path& target) {
        for (std::size_t k = 0; k < links.size(); ++k)
            if (c.linksOfAnother[k] &&
                ::lchown(links[k].c_str(), anotherUser(), anotherUser()) != 0)
                return false;
        return !c.targetOfAnother || ::chown(target.c_str(), anotherUser(), anotherUser()) == 0;
    }

    // The target after the write: rewritten only when the case says so, and otherwise as
    // it was.
    void expectTarget(const LinkCase& c, const fs::path& target,
                      const struct stat& statBefore) const {
        struct stat statAfter {};
        const bool exists = ::lstat(target.c_str(), &statAfter) == 0;
        switch (c.target) {
            case Leads::File:
                EXPECT_EQ(slurp(target), c.written ? "[Options]\nSpeed=slow\n" : Before);
                // The owner, group and mode stay, whoever wrote the file.
                EXPECT_TRUE(sameFile(statAfter, statBefore));
                break;
            case Leads::Missing:
                EXPECT_FALSE(exists);
                break;
            case Leads::Folder:
                EXPECT_TRUE(fs::is_empty(target));
                break;
            case Leads::Device:
                EXPECT_TRUE(S_ISCHR(statAfter.st_mode));
                break;
        }
    }
};

}  // namespace

TEST_P(IniSettingsLinks, WritesOnlyWhereItIsSafe) {
    const LinkCase& c = GetParam();
    fs::create_directories(config);
    fs::create_directories(root / "links");
    const fs::path target = makeTarget(c.target, !c.linksOfAnother.empty());
    const std::vector<fs::path> links = makeLinks(c, target);
    if (!handOver(c, links, target))
        GTEST_SKIP() << "a file or link of another user needs the superuser";

    // What lies beside the target, which the write leaves as it was (in /dev, only the
    // names a temporary of the write would take).
    const std::string tempPrefix = std::string(".") + target.filename().string() + ".";
    const fs::path beside = target.parent_path();
    const std::set<std::string> besideBefore =
        names(beside, c.target == Leads::Device ? tempPrefix : "");
    struct stat statBefore {};
    ::lstat(target.c_str(), &statBefore);

    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");

    for (const fs::path& link : links) EXPECT_TRUE(fs::is_symlink(link)) << link;
    EXPECT_EQ(names(config), std::set<std::string>{"zopt22.ini"});
    EXPECT_EQ(names(beside, c.target == Leads::Device ? tempPrefix : ""), besideBefore);
    expectTarget(c, target, statBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniSettingsLinks,
    ::testing::Values(LinkCase{"OwnFile", Leads::File, false, {false}, true},
                      LinkCase{"OwnFileThroughTwoLinks", Leads::File, false, {false, false}, true},
                      LinkCase{"FileOfAnotherOwner", Leads::File, true, {false}, false},
                      LinkCase{"LinkOfAnotherOwner", Leads::File, false, {true}, false},
                      LinkCase{
                          "SecondLinkOfAnotherOwner", Leads::File, false, {false, true}, false},
                      // A user's link to the user's own file, written by the superuser.
                      LinkCase{"UsersLinkToUsersFile", Leads::File, true, {true}, true},
                      LinkCase{"PlainFileOfAnotherOwner", Leads::File, true, {}, true},
                      LinkCase{"DanglingLink", Leads::Missing, false, {false}, false},
                      LinkCase{"LinkToFolder", Leads::Folder, false, {false}, false},
                      LinkCase{"LinkToDevice", Leads::Device, false, {false}, false}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

TEST_F(IniSettingsFiles, GarbageReadsAsDefaultsWithoutHarm) {
    std::mt19937 bytes(7);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary) c = static_cast<char>(bytes());
    spill(file(), binary);
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "");
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "slow");
    EXPECT_EQ(slurp(file()).substr(0, binary.size()), binary);  // every byte kept
}

TEST_F(IniSettingsFiles, HugeFileIsReadInPartAndNeverRewritten) {
    std::string huge = "[Options]\nSpeed=fast\n";
    huge += std::string(IniSettings::MaxFileSize, ';') + "\nodds=off\n";
    spill(file(), huge);
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "fast");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "odds"}), "");  // beyond what is read
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_EQ(slurp(file()), huge);
}

TEST_F(IniSettingsFiles, FileAtTheSizeLimitIsReadWhole) {
    // The last line ends at the limit's last byte; one byte more and it lies beyond it.
    const std::string head = "[Options]\nSpeed=fast\n;";
    const std::string tail = "\nodds=off\n";
    for (const std::size_t extra : {0, 1}) {
        SCOPED_TRACE(extra);
        const std::string text =
            head + std::string(IniSettings::MaxFileSize - head.size() - tail.size() + extra, 'x') +
            tail;
        spill(file(), text);
        EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "fast");
        EXPECT_EQ(settings.read({"zopt22.ini", "Options", "odds"}), extra == 0 ? "off" : "");
        settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
        EXPECT_EQ(slurp(file()).find("Speed=slow") != std::string::npos, extra == 0);
    }
}

TEST_F(IniSettingsFiles, UnusableFilesArePassedOverSilently) {
    // A folder where the file should be, and a configuration folder that cannot exist.
    fs::create_directories(file());
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "");
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_TRUE(fs::is_directory(file()));

    spill(root / "plain", "not a folder");
    ::setenv("XDG_CONFIG_HOME", (root / "plain" / "config").c_str(), 1);
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "");

    // A named pipe is never opened for reading, so nothing blocks.
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    fs::remove(file());
    ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "");
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_TRUE(fs::is_fifo(file()));

    // A file made read-only is left as it is.
    fs::remove(file());
    spill(file(), "[Options]\nSpeed=fast\n");
    fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    settings.write({"zopt22.ini", "Options", "Speed"}, "slow");
    EXPECT_EQ(settings.read({"zopt22.ini", "Options", "Speed"}), "fast");
    fs::permissions(file(), fs::perms::owner_write, fs::perm_options::add);

    // A name with a folder part stays inside the configuration folder.
    settings.write({"../escaped.ini", "Options", "Speed"}, "slow");
    EXPECT_FALSE(fs::exists(root / "escaped.ini"));
}

TEST(IniSettingsFolder, FollowsXdgConfigHome) {
    ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(IniSettings::userConfigFolder(), fs::path("/somewhere/config"));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    ::setenv("HOME", "/home/player", 1);
    EXPECT_EQ(IniSettings::userConfigFolder(), fs::path("/home/player/.config"));
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(IniSettings::userConfigFolder(), fs::path("/home/player/.config"));
}
