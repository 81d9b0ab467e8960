// ctest-timeout: 30
#include "desktop/applications.h"

#include "casename.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include <sys/stat.h>

using namespace velmora;

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// The three data folders of the cases, best first: the user's own, then
// the two of XDG_DATA_DIRS.
enum class Data { Home, First, Second };

struct EntryFile {
    Data data;
    const char* path;  // below the data folder's "applications"
    // Lines after "[Desktop Entry]", "Type=Application" and "Exec=tool"; a
    // key given again replaces those. nullptr: `whole` is the file instead.
    const char* lines;
    const char* whole = nullptr;
};

using Variables = std::vector<std::pair<const char*, const char*>>;

struct ReadCase {
    const char* name;
    std::vector<EntryFile> files;
    Variables variables;                // besides the folders and PATH
    std::vector<const char*> expected;  // "id=Name", in the order offered
};
void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

// Three data folders and a PATH folder with the program "tool".
class ApplicationFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("bin")));
        ASSERT_TRUE(
            velmora::testing::writeFile(m_dir.filePath(QStringLiteral("bin/tool")), "#!/bin/sh\n", true));
    }

    QString dataFolder(Data data) const {
        switch (data) {
        case Data::Home: return m_dir.filePath(QStringLiteral("home"));
        case Data::First: return m_dir.filePath(QStringLiteral("first"));
        case Data::Second: return m_dir.filePath(QStringLiteral("second"));
        }
        return {};
    }
    QString applicationsFile(Data data, const QString& path) const {
        return dataFolder(data) + QStringLiteral("/applications/") + path;
    }

    void put(const EntryFile& file) {
        const QString path = applicationsFile(file.data, QString::fromUtf8(file.path));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray content =
            file.lines ? QByteArray("[Desktop Entry]\nType=Application\nExec=tool\n") + file.lines
                       : QByteArray(file.whole);
        ASSERT_TRUE(velmora::testing::writeFile(path, content, false)) << file.path;
    }

    QProcessEnvironment environment(const Variables& variables) const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataFolder(Data::Home));
        env.insert(QStringLiteral("XDG_DATA_DIRS"),
                   dataFolder(Data::First) + QLatin1Char(':') + dataFolder(Data::Second));
        env.insert(QStringLiteral("PATH"), m_dir.filePath(QStringLiteral("bin")));
        for (const auto& [name, value] : variables)
            env.insert(QString::fromLatin1(name), QString::fromUtf8(value));
        return env;
    }

    static QStringList offered(const QList<InstalledApplication>& apps) {
        QStringList out;
        for (const InstalledApplication& app : apps) out.append(app.id + QLatin1Char('=') + app.name);
        return out;
    }

    QTemporaryDir m_dir;
};

class ReadingApplications : public ApplicationFolders, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadingApplications, OffersWhatTheMenuOffers) {
    for (const EntryFile& file : GetParam().files) ASSERT_NO_FATAL_FAILURE(put(file));
    QStringList expected;
    for (const char* e : GetParam().expected) expected.append(QString::fromUtf8(e));
    EXPECT_EQ(offered(installedApplications(environment(GetParam().variables))), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ReadingApplications,
    ::testing::Values(
        ReadCase{"NoFoldersAtAll", {}, {}, {}},
        ReadCase{"OneEntry", {{Data::Second, "a.desktop", "Name=Alpha\n"}}, {}, {"a.desktop=Alpha"}},
        ReadCase{"UsersOwnEntryHidesTheSystems",
                 {{Data::Home, "a.desktop", "Name=Mine\n"}, {Data::First, "a.desktop", "Name=Theirs\n"}},
                 {},
                 {"a.desktop=Mine"}},
        ReadCase{"EarlierDataFolderHidesLaterOne",
                 {{Data::First, "a.desktop", "Name=First\n"}, {Data::Second, "a.desktop", "Name=Second\n"}},
                 {},
                 {"a.desktop=First"}},
        ReadCase{"HiddenEntryHidesTheSystemsToo",
                 {{Data::Home, "a.desktop", "Name=Mine\nHidden=true\n"},
                  {Data::First, "a.desktop", "Name=Theirs\n"}},
                 {},
                 {}},
        ReadCase{"NoDisplayEntryLeftOut",
                 {{Data::First, "a.desktop", "Name=Alpha\nNoDisplay=true\n"},
                  {Data::First, "b.desktop", "Name=Beta\nNoDisplay=false\n"}},
                 {},
                 {"b.desktop=Beta"}},
        ReadCase{"NoDisplayEntryHidesTheSystems",
                 {{Data::Home, "a.desktop", "Name=Mine\nNoDisplay=true\n"},
                  {Data::First, "a.desktop", "Name=Theirs\n"}},
                 {},
                 {}},
        ReadCase{"BrokenEntryHidesTheSystems",
                 {{Data::Home, "a.desktop", nullptr, "not an entry\n"},
                  {Data::First, "a.desktop", "Name=Theirs\n"}},
                 {},
                 {}},
        ReadCase{"SubfolderNamesAreInTheId",
                 {{Data::First, "kde/konsole.desktop", "Name=Konsole\n"}},
                 {},
                 {"kde-konsole.desktop=Konsole"}},
        ReadCase{"IdOfASubfolderHiddenByTheUsersOwn",
                 {{Data::Home, "kde-konsole.desktop", "Name=Mine\n"},
                  {Data::First, "kde/konsole.desktop", "Name=Konsole\n"}},
                 {},
                 {"kde-konsole.desktop=Mine"}},
        ReadCase{"OnlyApplications",
                 {{Data::First, "link.desktop", "Name=Link\nType=Link\nURL=https://example.org/\n"},
                  {Data::First, "dir.desktop", "Name=Folder\nType=Directory\n"},
                  {Data::First, "none.desktop", nullptr, "[Desktop Entry]\nName=None\nExec=tool\n"}},
                 {},
                 {}},
        ReadCase{"OnlyShownOnAnotherDesktop",
                 {{Data::First, "a.desktop", "Name=Alpha\nOnlyShowIn=KDE;\n"},
                  {Data::First, "b.desktop", "Name=Beta\nOnlyShowIn=GNOME;KDE;\n"}},
                 {{"XDG_CURRENT_DESKTOP", "GNOME"}},
                 {"b.desktop=Beta"}},
        ReadCase{"OnlyShownOnNamedDesktopsWhenNoneIsNamed",
                 {{Data::First, "a.desktop", "Name=Alpha\nOnlyShowIn=KDE;\n"}},
                 {},
                 {}},
        ReadCase{"NotShownOnThisDesktop",
                 {{Data::First, "a.desktop", "Name=Alpha\nNotShowIn=GNOME;\n"},
                  {Data::First, "b.desktop", "Name=Beta\nNotShowIn=KDE;\n"}},
                 {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
                 {"b.desktop=Beta"}},
        ReadCase{"TryExecThatIsNotThere",
                 {{Data::First, "a.desktop", "Name=Alpha\nTryExec=gone\n"},
                  {Data::First, "b.desktop", "Name=Beta\nTryExec=tool\n"}},
                 {},
                 {"b.desktop=Beta"}},
        ReadCase{"ProgramThatIsNotThere", {{Data::First, "a.desktop", "Name=Alpha\nExec=gone %U\n"}}, {}, {}},
        ReadCase{"BrokenExec",
                 {{Data::First, "a.desktop", "Name=Alpha\nExec=\"tool\n"},
                  {Data::First, "b.desktop", "Name=Beta\nExec=tool %Q\n"},
                  {Data::First, "c.desktop", "Name=Gamma\nExec=\n"}},
                 {},
                 {}},
        ReadCase{
            "BrokenFiles",
            {{Data::First, "empty.desktop", nullptr, ""},
             {Data::First, "binary.desktop", nullptr,
              "\x7f"
              "ELF\x02\x01\x01"},
             {Data::First, "group.desktop", nullptr, "[Other Group]\nType=Application\nName=X\nExec=tool\n"},
             {Data::First, "nameless.desktop", ""},
             {Data::First, "blank.desktop", "Name=   \n"}},
            {},
            {}},
        ReadCase{"OnlyDesktopFiles",
                 {{Data::First, "a.txt", "Name=Text\n"},
                  {Data::First, "a.desktop~", "Name=Backup\n"},
                  {Data::First, ".a.desktop", "Name=Hidden file\n"},
                  {Data::First, "b.desktop", "Name=Beta\n"}},
                 {},
                 {"b.desktop=Beta"}},
        ReadCase{"SortedByNameWhateverTheLetterCase",
                 {{Data::First, "1.desktop", "Name=gamma\n"},
                  {Data::Second, "2.desktop", "Name=Alpha\n"},
                  {Data::Home, "3.desktop", "Name=beta\n"},
                  {Data::First, "4.desktop", "Name=Editor 10\n"},
                  {Data::First, "5.desktop", "Name=Editor 9\n"}},
                 {{"LANG", "en_US.UTF-8"}},
                 {"2.desktop=Alpha", "3.desktop=beta", "5.desktop=Editor 9", "4.desktop=Editor 10",
                  "1.desktop=gamma"}},
        ReadCase{"SameNameInIdOrder",
                 {{Data::First, "b.desktop", "Name=Same\n"}, {Data::First, "a.desktop", "Name=Same\n"}},
                 {},
                 {"a.desktop=Same", "b.desktop=Same"}},
        ReadCase{"SortedInTheUsersLanguage",
                 {{Data::First, "1.desktop", "Name=Zeichnen\n"}, {Data::First, "2.desktop", "Name=Öl\n"}},
                 {{"LANG", "de_DE.UTF-8"}},
                 {"2.desktop=Öl", "1.desktop=Zeichnen"}},
        ReadCase{"SortedInTheUsersCollation",
                 {{Data::First, "1.desktop", "Name=Zeichnen\n"}, {Data::First, "2.desktop", "Name=Öl\n"}},
                 {{"LANG", "de_DE.UTF-8"}, {"LC_COLLATE", "sv_SE.UTF-8"}},
                 {"1.desktop=Zeichnen", "2.desktop=Öl"}},
        ReadCase{"NameInTheUsersLanguage",
                 {{Data::First, "a.desktop", "Name=Files\nName[de]=Dateien\nName[de_CH]=Dateie\n"}},
                 {{"LANG", "de_DE.UTF-8"}},
                 {"a.desktop=Dateien"}},
        ReadCase{"NameOfTheUsersCountryFirst",
                 {{Data::First, "a.desktop", "Name=Files\nName[de]=Dateien\nName[de_CH]=Dateie\n"}},
                 {{"LANG", "de_CH.UTF-8"}},
                 {"a.desktop=Dateie"}},
        ReadCase{"UntranslatedNameOtherwise",
                 {{Data::First, "a.desktop", "Name=Files\nName[de]=Dateien\n"}},
                 {{"LANG", "C.UTF-8"}},
                 {"a.desktop=Files"}},
        ReadCase{"MessagesLocaleDecides",
                 {{Data::First, "a.desktop", "Name=Files\nName[de]=Dateien\nName[fr]=Fichiers\n"}},
                 {{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}},
                 {"a.desktop=Fichiers"}}),
    velmora::testing::caseName);

TEST_F(ApplicationFolders, ApplicationCarriesWhatTheChooserShowsAndSearches) {
    ASSERT_NO_FATAL_FAILURE(
        put({Data::First, "org.example.Mail.desktop",
             "Name=Mail\nName[de]=Post\nGenericName=Mail Client\n"
             "GenericName[de]=E-Mail-Programm\nComment=Read mail\nComment[de]=Post lesen\n"
             "Keywords=email;inbox;\nKeywords[de]=Postfach;\nIcon=mail-client\n"
             "Exec=tool --compose\\s%U\n"}));
    const QList<InstalledApplication> apps = installedApplications(environment({{"LANG", "de_DE.UTF-8"}}));
    ASSERT_EQ(apps.size(), 1);
    const InstalledApplication& app = apps.first();
    EXPECT_EQ(app.id, QStringLiteral("org.example.Mail.desktop"));
    EXPECT_EQ(app.file, applicationsFile(Data::First, QStringLiteral("org.example.Mail.desktop")));
    EXPECT_TRUE(QFileInfo(app.file).isAbsolute());
    EXPECT_EQ(app.name, QStringLiteral("Post"));
    EXPECT_EQ(app.genericName, QStringLiteral("E-Mail-Programm"));
    EXPECT_EQ(app.comment, QStringLiteral("Post lesen"));
    EXPECT_EQ(app.keywords, QStringList{QStringLiteral("Postfach")});
    EXPECT_EQ(app.icon, QStringLiteral("mail-client"));
    EXPECT_EQ(app.exec, QStringLiteral("tool --compose %U"));
}

TEST_F(ApplicationFolders, FilesThatAreNoEntriesAreSkippedWithoutBlocking) {
    const QString folder = dataFolder(Data::First) + QStringLiteral("/applications");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/folder.desktop")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/fifo.desktop")).constData(), 0600), 0);
    ASSERT_TRUE(
        QFile::link(folder + QStringLiteral("/nowhere"), folder + QStringLiteral("/dangling.desktop")));
    QByteArray large("[Desktop Entry]\nType=Application\nExec=tool\nName=Large\n");
    large.append(QByteArray(kMaxDesktopEntrySize, '#'));
    ASSERT_TRUE(velmora::testing::writeFile(folder + QStringLiteral("/large.desktop"), large, false));
    ASSERT_NO_FATAL_FAILURE(put({Data::First, "b.desktop", "Name=Beta\n"}));
    // A link to an entry is read; a link to a folder is not followed.
    ASSERT_TRUE(
        QFile::link(folder + QStringLiteral("/b.desktop"), folder + QStringLiteral("/linked.desktop")));
    ASSERT_TRUE(QFile::link(folder, folder + QStringLiteral("/loop")));

    EXPECT_EQ(offered(installedApplications(environment({}))),
              (QStringList{"b.desktop=Beta", "linked.desktop=Beta"}));
}

struct SearchCase {
    const char* name;
    const char* search;
    bool found;
};
void PrintTo(const SearchCase& c, std::ostream* out) { *out << c.name; }
class Searching : public ::testing::TestWithParam<SearchCase> {};

TEST_P(Searching, LooksAtNameGenericNameKeywordsAndCommand) {
    InstalledApplication app;
    app.id = QStringLiteral("firefox-esr.desktop");
    app.name = QStringLiteral("Firefox ESR");
    app.genericName = QStringLiteral("Web Browser");
    app.comment = QStringLiteral("Browse the World Wide Web");
    app.keywords = QStringList{QStringLiteral("Internet"), QStringLiteral("WWW")};
    app.exec = QStringLiteral("/usr/lib/firefox-esr/firefox-esr %u");
    EXPECT_EQ(app.matches(QString::fromUtf8(GetParam().search)), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Searching,
    ::testing::Values(SearchCase{"Empty", "", true}, SearchCase{"Blanks", "  \t", true},
                      SearchCase{"StartOfName", "fire", true}, SearchCase{"InsideName", "efox", true},
                      SearchCase{"OtherLetterCase", "FIREFOX esr", true},
                      SearchCase{"GenericName", "browser", true}, SearchCase{"Keyword", "www", true},
                      SearchCase{"Command", "/usr/lib", true},
                      SearchCase{"WordsFromDifferentFields", " web  internet ", true},
                      SearchCase{"OneWordMissing", "web mail", false}, SearchCase{"NotThere", "mail", false},
                      SearchCase{"CommentIsNotSearched", "world", false},
                      SearchCase{"IdIsNotSearched", ".desktop", false}),
    velmora::testing::caseName);

struct FolderCase {
    const char* name;
    Variables variables;
    QStringList folders;
};
void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }
class MenuFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(MenuFolders, AreTheDataFoldersInTheirOrder) {
    QProcessEnvironment env;
    for (const auto& [name, value] : GetParam().variables)
        env.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    EXPECT_EQ(applicationFolders(env), GetParam().folders);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, MenuFolders,
    ::testing::Values(
        FolderCase{"Defaults",
                   {{"HOME", "/home/ann"}},
                   {"/home/ann/.local/share/applications", "/usr/local/share/applications",
                    "/usr/share/applications"}},
        FolderCase{
            "Variables",
            {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/d/ann"}, {"XDG_DATA_DIRS", "/opt/share:/usr/share"}},
            {"/d/ann/applications", "/opt/share/applications", "/usr/share/applications"}},
        FolderCase{"FolderNamedTwiceCountsFirst",
                   {{"XDG_DATA_HOME", "/usr/share"}, {"XDG_DATA_DIRS", "/opt/share:/usr/share/"}},
                   {"/usr/share/applications", "/opt/share/applications"}},
        FolderCase{"NoHomeOnlyTheSystems", {{"XDG_DATA_DIRS", "/usr/share"}}, {"/usr/share/applications"}}),
    velmora::testing::caseName);

}  // namespace
