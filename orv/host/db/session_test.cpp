// TSession: aliases from code and from alias files, and what a database name
// resolves to. Each test uses a session of its own and real files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <orv/host/db/postgresql/pg_driver.h>
#include <orv/host/db/session.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orv-session.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    saved_ = getenv("ORV_ALIASES") ? getenv("ORV_ALIASES") : "";
    savedXdg_ = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    unsetenv("ORV_ALIASES");
    setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
  }
  void TearDown() override {
    Restore("ORV_ALIASES", saved_);
    Restore("XDG_CONFIG_HOME", savedXdg_);
    fs::remove_all(dir_);
  }
  static void Restore(const char* name, const std::string& value) {
    if (value.empty())
      unsetenv(name);
    else
      setenv(name, value.c_str(), 1);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
    return path;
  }
  static std::string MessageOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(no error)";
  }

  std::string dir_, saved_, savedXdg_;
};

TEST_F(SessionTest, AliasFileDefinesDatabases) {
  const std::string file = Write("a.ini",
                                 "\xEF\xBB\xBF# shared generator, with a byte-order mark\n"
                                 "[tGenAlias]\n"
                                 "driver = postgresql\n"
                                 "conninfo = host=db.example port=5432 dbname=orv\n"
                                 "\n"
                                 "; local one\n"
                                 "[Local]\n"
                                 "Driver = SQLite\n"
                                 "path = tables\n");
  TSession s;
  s.LoadAliasFile(file);
  TStringList names;
  s.GetAliasNames(names);
  EXPECT_THAT(names.ToVector(), ElementsAre("Local", "tGenAlias"));
  EXPECT_TRUE(s.IsAlias("TGENALIAS")) << "alias names ignore case";
  const TDatabaseInfo gen = s.AliasInfo("tgenalias");
  EXPECT_EQ(gen.driver, "postgresql");
  EXPECT_EQ(gen.params.at("conninfo"), "host=db.example port=5432 dbname=orv");
  EXPECT_EQ(s.AliasInfo("Local").params.at("path"), dir_ + "/tables")
      << "relative to the alias file";
}

TEST_F(SessionTest, MalformedAliasFilesAreRefusedWhole) {
  // file text, message after "PATH:"
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[A]\ndriver = sqlite\npath = /x\n[B]\ndriver = oracle\npath = /y\n",
       "5: Unknown database driver 'oracle' (sqlite or postgresql)"},
      {"[A]\ndriver = sqlite\n", "1: Alias A needs a path"},
      {"[A]\ndriver = postgresql\npath = /x\n", "1: Alias A needs a conninfo"},
      {"driver = sqlite\n", "1: a setting before the first [ALIAS] section"},
      {"[A\n", "1: a section is written [NAME]"},
      {"[A]\njust words\n", "2: expected KEY = VALUE"},
      {"[A]\ndriver = sqlite\npath = /x\nreconnect_seconds = soon\n",
       "4: Alias A: reconnect_seconds must be a whole number from 0 to 3600"},
      {"[A]\ndriver = postgresql\nconninfo = x\nreconnect_seconds = 3601\n",
       "4: Alias A: reconnect_seconds must be a whole number from 0 to 3600"},
      {"[A]\ndriver = sqlite\nlock_wait_seconds = 0\npath = /x\n",
       "3: Alias A: lock_wait_seconds must be a whole number from 1 to 3600"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    const std::string file = Write("bad.ini", text);
    TSession s;
    EXPECT_EQ(MessageOf([&] { s.LoadAliasFile(file); }), file + ":" + message);
    EXPECT_FALSE(s.IsAlias("A")) << "nothing of a bad file is kept";
  }
  TSession s;
  EXPECT_EQ(MessageOf([&] { s.LoadAliasFile(dir_ + "/none.ini"); }),
            "Alias file not found: " + dir_ + "/none.ini");
  EXPECT_EQ(MessageOf([&] { s.LoadAliasFile(dir_); }), "Alias file is a directory: " + dir_);
  if (::geteuid() != 0) {  // root reads every file
    const std::string locked = Write("locked.ini", "[A]\ndriver = sqlite\npath = /x\n");
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(MessageOf([&] { s.LoadAliasFile(locked); }),
              "Cannot read alias file " + locked + ": Permission denied");
  }
}

TEST_F(SessionTest, LaterSectionsReplaceEarlierOnesAndManyLoadAtOnce) {
  std::string text = "[Dup]\ndriver = sqlite\npath = /first\nreconnect_seconds = 9\n";
  constexpr int kMany = 20000;
  for (int i = 0; i < kMany; ++i)
    text += "[A" + std::to_string(i) + "]\ndriver = sqlite\npath = /a\n";
  text += "[dup]\ndriver = sqlite\npath = /second\n";
  TSession s;
  s.LoadAliasFile(Write("many.ini", text));
  TStringList names;
  s.GetAliasNames(names);
  EXPECT_EQ(names.Count(), kMany + 2) << "Dup, the A..., and the built-in tGenAlias";
  const TDatabaseInfo dup = s.AliasInfo("DUP");
  EXPECT_EQ(dup.params.at("path"), "/second");
  EXPECT_EQ(ReconnectSeconds(dup), kDefaultReconnectSeconds) << "the whole section is replaced";
  EXPECT_TRUE(s.IsAlias("A19999"));
  // A file read later replaces its aliases too, but never one from code.
  s.AddAlias("A7", "sqlite", {{"path", "/code"}});
  s.LoadAliasFile(
      Write("later.ini",
            "[a7]\ndriver = sqlite\npath = /later\n[A8]\ndriver = sqlite\npath = /later\n"
            "reconnect_seconds = 0\n"));
  EXPECT_EQ(s.AliasInfo("A7").params.at("path"), "/code");
  EXPECT_EQ(s.AliasInfo("A8").params.at("path"), "/later");
  EXPECT_EQ(ReconnectSeconds(s.AliasInfo("A8")), 0);
}

TEST_F(SessionTest, PasswordsAreHiddenInEveryConninfoForm) {
  // conninfo -> as shown
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"host=h dbname=d", "host=h dbname=d"},
      {"host=h password=secret dbname=d", "host=h password=*** dbname=d"},
      {"password = 'se cr\\'et' host=h", "password = *** host=h"},
      {"postgresql://u:secret@h:5432/d", "postgresql://u:***@h:5432/d"},
      {"postgres://u:secret@h", "postgres://u:***@h"},
      {"postgresql://u@h/d?password=secret&sslmode=require",
       "postgresql://u@h/d?password=***&sslmode=require"},
      {"postgresql://h/d?sslmode=require", "postgresql://h/d?sslmode=require"},
      // Blanks of any kind around '=', and a bare value with an escaped blank.
      {"password\t=\tsecret host=h", "password\t=\t*** host=h"},
      {"host=h password=se\\ cret dbname=d", "host=h password=*** dbname=d"},
      {"host=h1,h2 port=1,2 password='' target_session_attrs=read-write",
       "host=h1,h2 port=1,2 password=*** target_session_attrs=read-write"},
      // Only the keyword itself: a value that mentions it stays.
      {"application_name=nopassword host=h", "application_name=nopassword host=h"},
      {"postgresql://u:secret@h1:5432,h2:5433/d?target_session_attrs=read-write",
       "postgresql://u:***@h1:5432,h2:5433/d?target_session_attrs=read-write"},
      // The passphrase of the client's SSL key is a secret too.
      {"host=h sslpassword=secret", "host=h sslpassword=***"},
      {"postgresql://h/d?sslmode=require&sslpassword=secret",
       "postgresql://h/d?sslmode=require&sslpassword=***"},
  };
  for (const auto& [conninfo, shown] : cases) EXPECT_EQ(HidePassword(conninfo), shown) << conninfo;
}

TEST(ConninfoServersTest, EveryHostWithItsPortInTheOrderTried) {
  // conninfo -> servers
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"host=a port=5432 dbname=d", {"a:5432"}},
      {"host=a,b port=5432,5433 target_session_attrs=read-write", {"a:5432", "b:5433"}},
      {"host=a,b port=6000", {"a:6000", "b:6000"}},  // one port serves every host
      {"host=a,b", {"a", "b"}},
      {"hostaddr=10.0.0.1,10.0.0.2 port=1,2", {"10.0.0.1:1", "10.0.0.2:2"}},
      {"host=a,,c port=1,2,3", {"a:1", "(default host):2", "c:3"}},
      {"postgresql://u:pw@a:1,b:2/d?target_session_attrs=read-write", {"a:1", "b:2"}},
      {"dbname=d", {"(default host)"}},
      {"host='unterminated", {}},
  };
  for (const auto& [conninfo, servers] : cases)
    EXPECT_EQ(db::ConninfoServers(conninfo), servers) << conninfo;
}

TEST_F(SessionTest, AnAliasFileWithAPasswordThatOthersMayReadDrawsAWarning) {
  // file text, permissions -> warned
  const std::vector<std::tuple<std::string, fs::perms, bool>> cases = {
      {"[P]\ndriver = postgresql\nconninfo = host=h password=x\n",
       fs::perms::owner_read | fs::perms::group_read, true},
      {"[P]\ndriver = postgresql\nconninfo = postgresql://u:x@h/d\n",
       fs::perms::owner_read | fs::perms::others_read, true},
      {"[P]\ndriver = postgresql\nconninfo = host=h password=x\n",
       fs::perms::owner_read | fs::perms::owner_write, false},
      {"[P]\ndriver = postgresql\nconninfo = host=h\n",
       fs::perms::owner_read | fs::perms::others_read, false},
      {"[P]\ndriver = postgresql\nconninfo = host=h sslpassword=x\n",
       fs::perms::owner_read | fs::perms::group_read, true},
  };
  for (const auto& [text, perms, warned] : cases) {
    SCOPED_TRACE(text);
    const std::string file = Write("p.ini", text);
    fs::permissions(file, perms);
    TSession s;
    ::testing::internal::CaptureStderr();
    s.LoadAliasFile(file);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, warned ? "warning: alias file " + file +
                                " holds a password and can be read by group or others; permissions "
                                "should be u=rw "
                                "(0600) or less\n"
                          : "");
    fs::permissions(file, fs::perms::owner_all);
  }
}

TEST_F(SessionTest, DefaultAliasFileIsReadOnFirstUse) {
  Write("config/orv/aliases.ini", "[Xdg]\ndriver = sqlite\npath = /srv/x\n");
  {
    TSession s;
    EXPECT_TRUE(s.IsAlias("Xdg"));
    EXPECT_EQ(s.DefaultAliasFile(), dir_ + "/config/orv/aliases.ini");
  }
  const std::string env = Write("env.ini", "[Env]\ndriver = sqlite\npath = /srv/e\n");
  setenv("ORV_ALIASES", env.c_str(), 1);
  {
    TSession s;
    EXPECT_TRUE(s.IsAlias("Env"));
    EXPECT_FALSE(s.IsAlias("Xdg")) << "$ORV_ALIASES replaces the user's file";
  }
  setenv("ORV_ALIASES", (dir_ + "/missing.ini").c_str(), 1);
  {
    TSession s;
    EXPECT_EQ(MessageOf([&] { s.IsAlias("Env"); }),
              "Alias file not found: " + dir_ + "/missing.ini");
  }
  unsetenv("ORV_ALIASES");
  fs::remove_all(dir_ + "/config");
  {
    TSession s;
    TStringList names;
    s.GetAliasNames(names);
    EXPECT_THAT(names.ToVector(), ElementsAre("tGenAlias"))
        << "no default file: only the built-in default, no error";
  }
}

// tGenAlias, where no alias defines it, is the account's data directory,
// made when first resolved; an alias of that name replaces it.
TEST_F(SessionTest, TheDefaultDatabaseIsBuiltIn) {
  const char* before = getenv("XDG_DATA_HOME");
  const std::string saved = before ? before : "";
  const std::string data = dir_ + "/data", gen = data + "/orv/tGenAlias";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  {
    TSession s;
    EXPECT_TRUE(s.IsBuiltInDefault("TGENALIAS"));
    EXPECT_EQ(s.AliasInfo("tGenAlias").params.at("path"), gen);
    EXPECT_FALSE(fs::exists(gen)) << "naming it makes nothing";
    EXPECT_EQ(s.ResolveDatabase("tgenalias").params.at("path"), gen);
    EXPECT_TRUE(fs::is_directory(gen));
    s.LoadAliasFile(Write("a.ini", "[tGenAlias]\ndriver = sqlite\npath = /from/file\n"));
    EXPECT_FALSE(s.IsBuiltInDefault("tGenAlias"));
    EXPECT_EQ(s.ResolveDatabase("tGenAlias").params.at("path"), "/from/file");
  }
  const std::string blocked = Write("blocked", "a file where the directory would go");
  setenv("XDG_DATA_HOME", blocked.c_str(), 1);
  EXPECT_THAT(MessageOf([&] { TSession().ResolveDatabase("tGenAlias"); }),
              ::testing::StartsWith("Cannot make the default database directory " + blocked));
  Restore("XDG_DATA_HOME", saved);
}

TEST_F(SessionTest, CodeAliasesWinAndDirectoriesAreDatabases) {
  const std::string file = Write("a.ini", "[Gen]\ndriver = sqlite\npath = /from/file\n");
  TSession s;
  s.AddAlias("GEN", "sqlite", {{"path", "/from/code"}});
  s.LoadAliasFile(file);
  EXPECT_EQ(s.AliasInfo("gen").params.at("path"), "/from/code");
  EXPECT_EQ(MessageOf([&] { s.AddAlias("X", "dbase", {}); }),
            "Unknown database driver 'dbase' (sqlite or postgresql)");
  EXPECT_EQ(MessageOf([&] { s.AddAlias("X", "sqlite", {}); }), "Alias X needs a path");

  const TDatabaseInfo dir = s.ResolveDatabase(dir_);
  EXPECT_EQ(dir.driver, "sqlite");
  EXPECT_EQ(dir.params.at("path"), dir_);
  EXPECT_EQ(MessageOf([&] { s.ResolveDatabase(dir_ + "/nope"); }),
            "Unknown database \"" + dir_ + "/nope\": no alias of that name and no such directory");
  EXPECT_EQ(MessageOf([&] { s.ResolveDatabase(""); }), "No database name given");
  s.DeleteAlias("gen");
  EXPECT_FALSE(s.IsAlias("Gen"));
}

}  // namespace
}  // namespace orv
