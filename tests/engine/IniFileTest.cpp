// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHost.h"

#include "common/OrdinaryUser.h"
#include "engine/files/FileAccess.h"
#include "engine/settings/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Strings = std::vector<std::string>;

class IniFileTest : public ::testing::Test {
  protected:
    std::string Put(const std::string& contents, const std::string& name = "niblo.ini") {
        return Dir.Write(name, std::vector<uint8_t>(contents.begin(), contents.end()));
    }
    static std::string Contents(const std::string& path) {
        const auto bytes = TTempDir::Read(path);
        return {bytes.begin(), bytes.end()};
    }
    Strings Listing() const {
        Strings names;
        for (const auto& entry : std::filesystem::directory_iterator(Dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TTempDir Dir;
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
    TIniFile ini(Dir.PathOf("niblo.ini"));
    EXPECT_EQ(ini.ReadString("Options", "Font", "Terminal"), "Terminal");
    EXPECT_EQ(ini.ReadInteger("Options", "Cols", 19), 19);
    EXPECT_TRUE(ini.ReadBool("Options", "Overwrite", true));
    EXPECT_TRUE(ini.ReadSectionKeys("Options").empty());
    EXPECT_FALSE(ini.SectionExists("Options"));
    EXPECT_TRUE(ini.EraseSection("Options"));

    ASSERT_TRUE(ini.WriteInteger("Options", "Cols", 32));
    ASSERT_TRUE(ini.WriteBool("Options", "HideToolBar", true));
    ASSERT_TRUE(ini.WriteString("display", "resx", "1024"));
    EXPECT_EQ(Contents(ini.FileName()), "[Options]\nCols=32\nHideToolBar=1\n\n[display]\nresx=1024\n");
    EXPECT_EQ(Listing(), Strings{"niblo.ini"}); // no temporary file left behind
}

TEST_F(IniFileTest, EveryCallGoesToTheFileAndNamesIgnoreCase) {
    TIniFile writer(Dir.PathOf("niblo.ini")), reader(Dir.PathOf("niblo.ini"));
    ASSERT_TRUE(writer.WriteString("Options", "Font", "Courier"));
    EXPECT_EQ(reader.ReadString("OPTIONS", "font", ""), "Courier");
    ASSERT_TRUE(writer.WriteString("options", "FONT", "Terminal")); // replaces, does not add
    EXPECT_EQ(reader.ReadSectionKeys("Options"), Strings{"FONT"});
    EXPECT_EQ(reader.ReadString("Options", "Font", ""), "Terminal");
    EXPECT_TRUE(reader.SectionExists("oPtIoNs"));
}

// A batch rewrites and flushes the file once, at Commit; until then the file stays as it was and only
// the batch sees its own writes. A failed rewrite leaves the file untouched.
TEST_F(IniFileTest, ABatchRewritesTheFileOnce) {
    const std::string path = Put("; kept\n[Old]\na=1\n[Options]\nCols=5\n");
    int rewrites = 0;
    FileAccess::InjectedFault = [&](FileAccess::TCall call) {
        if (call == FileAccess::TCall::Rename || call == FileAccess::TCall::OpenWrite) ++rewrites;
        return 0;
    };
    TIniFile batch(path), reader(path);
    ASSERT_TRUE(batch.BeginUpdate());
    for (int i = 0; i < 22; ++i)
        ASSERT_TRUE(batch.WriteInteger("Options", "Key" + std::to_string(i), i));
    ASSERT_TRUE(batch.WriteInteger("Options", "Cols", 40));
    ASSERT_TRUE(batch.EraseSection("Old"));
    ASSERT_TRUE(batch.EraseSection("Absent"));                  // erases nothing, keeps everything
    EXPECT_FALSE(batch.WriteString("Options", "bad=key", "x")); // refused names stay refused
    EXPECT_EQ(batch.ReadInteger("Options", "Cols", 0), 40);
    EXPECT_FALSE(batch.SectionExists("Old"));
    EXPECT_EQ(reader.ReadInteger("Options", "Cols", 0), 5);
    EXPECT_EQ(rewrites, 0);
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(rewrites, 1);
    EXPECT_EQ(reader.ReadInteger("Options", "Cols", 0), 40);
    EXPECT_EQ(reader.ReadInteger("Options", "Key21", 0), 21);
    EXPECT_FALSE(reader.SectionExists("Old"));
    EXPECT_EQ(Contents(path).substr(0, 17), "; kept\n[Options]\n");

    // Writes after the batch go to the file at once again; a failed rewrite changes nothing.
    const std::string before = Contents(path);
    FileAccess::InjectedFault = [](FileAccess::TCall call) {
        return call == FileAccess::TCall::Rename ? EIO : 0;
    };
    ASSERT_TRUE(batch.BeginUpdate());
    ASSERT_TRUE(batch.WriteInteger("Options", "Cols", 41));
    EXPECT_FALSE(batch.Commit());
    FileAccess::InjectedFault = nullptr;
    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(Listing(), Strings{"niblo.ini"});
    EXPECT_EQ(batch.ReadInteger("Options", "Cols", 0), 40);
}

TEST_F(IniFileTest, IntegersAndBooleans) {
    const std::string path = Put("[n]\nhex=0x20\nHEX=0X1f\ndollar=$1F\nprefix=0x\nneg=-17\nplus=+5\n"
                                 "junk=12abc\nempty=\nbig=2147483648\nsmall=-2147483648\n"
                                 "allbits=0xFFFFFFFF\nwide=0x100000000\nbad=0xZZ\nspaced=  7  \n"
                                 "t=5\nf=0\nm=-1\nword=yes\n");
    const TIniFile ini(path);
    struct TCase {
        const char* Key;
        int32_t Expected;
    };
    for (const TCase& c : {TCase{"hex", 32},
                           {"dollar", 31},
                           {"prefix", -9},
                           {"neg", -17},
                           {"plus", 5},
                           {"junk", -9},
                           {"empty", -9},
                           {"missing", -9},
                           {"big", -9},
                           {"small", INT32_MIN},
                           {"allbits", -1},
                           {"wide", -9},
                           {"bad", -9},
                           {"spaced", 7}})
        EXPECT_EQ(ini.ReadInteger("n", c.Key, -9), c.Expected) << c.Key;
    EXPECT_TRUE(ini.ReadBool("n", "t", false));
    EXPECT_FALSE(ini.ReadBool("n", "f", true));
    EXPECT_TRUE(ini.ReadBool("n", "m", false));
    EXPECT_FALSE(ini.ReadBool("n", "word", false));
    EXPECT_TRUE(ini.ReadBool("n", "word", true));

    TIniFile writer(path);
    ASSERT_TRUE(writer.WriteInteger("n", "color", -2147483625));
    EXPECT_EQ(writer.ReadInteger("n", "color", 0), -2147483625);
}

TEST_F(IniFileTest, OnePairOfQuotesIsStrippedAndLongValuesAreCut) {
    const std::string longValue(5000, 'v');
    const std::string path = Put("[q]\na=\"abc\"\nb=\"\"abc\"\"\nc=\"\nd=\"abc\ne=\"\"\nlong=" + longValue +
                                 "\nlongquoted=\"" + longValue + "\"\n");
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("q", "a", "-"), "abc");
    EXPECT_EQ(ini.ReadString("q", "b", "-"), "\"abc\"");
    EXPECT_EQ(ini.ReadString("q", "c", "-"), "\"");
    EXPECT_EQ(ini.ReadString("q", "d", "-"), "\"abc");
    EXPECT_EQ(ini.ReadString("q", "e", "-"), "");
    EXPECT_EQ(ini.ReadString("q", "long", ""), std::string(1023, 'v'));
    EXPECT_EQ(ini.ReadString("q", "longquoted", ""), std::string(1023, 'v'));
    // A cut never splits a character: 1022 bytes then a two-byte character.
    Put("[q]\nu=" + std::string(1022, 'x') + "\xC3\xA9tail\n");
    EXPECT_EQ(ini.ReadString("q", "u", ""), std::string(1022, 'x'));
}

TEST_F(IniFileTest, HandEditedJunkIsSkippedOnReadingAndKeptOnWriting) {
    std::string junk = "\x01\x02\xFF\xFE garbage\x7F";
    junk += '\0';
    junk += "more";
    const std::string hugeLine(1 << 20, 'z');
    const std::string original = "; a comment\nstray line before any section\n[Options]\n" + junk +
                                 "\nno equals sign here\n" + hugeLine +
                                 "\nCols=25\n=orphan value\n"
                                 "[broken section\nRows = 30 \n[Options]\nFont=Courier\n";
    const std::string path = Put(original);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Options", "Cols", 19), 25);
    EXPECT_EQ(ini.ReadString("Options", "Font", ""), "Courier"); // the second [Options] counts too
    EXPECT_EQ(ini.ReadInteger("broken section", "Rows", 20), 30);
    EXPECT_EQ(ini.ReadSectionKeys("Options"), (Strings{"Cols", "Font"}));

    ASSERT_TRUE(ini.WriteInteger("Options", "Cols", 40));
    const std::string rewritten = Contents(path);
    EXPECT_EQ(rewritten.size(), original.size()); // "25" became "40", nothing else changed
    EXPECT_NE(rewritten.find(junk), std::string::npos);
    EXPECT_NE(rewritten.find(hugeLine), std::string::npos);
    EXPECT_EQ(ini.ReadInteger("broken section", "Rows", 20), 30);
    EXPECT_EQ(ini.ReadString("Options", "Font", ""), "Courier");
}

TEST_F(IniFileTest, DuplicateSectionsAndKeys) {
    const std::string path = Put("[a]\nk=first\nx=1\n[b]\nk=other\n[A]\nK=second\ny=2\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("a", "k", ""), "first");
    EXPECT_EQ(ini.ReadSectionKeys("a"), (Strings{"k", "x", "y"}));
    EXPECT_EQ(ini.ReadSectionValues("a"), (Strings{"k=first", "x=1", "y=2"}));

    ASSERT_TRUE(ini.WriteString("a", "k", "new"));
    ASSERT_TRUE(ini.WriteString("a", "z", "3")); // behind the last occurrence
    EXPECT_EQ(Contents(path), "[a]\nk=new\nx=1\n[b]\nk=other\n[A]\nK=second\ny=2\nz=3\n");

    ASSERT_TRUE(ini.EraseSection("A"));
    EXPECT_EQ(Contents(path), "[b]\nk=other\n");
}

TEST_F(IniFileTest, LineEndsByteOrderMarkAndMissingFinalNewline) {
    const std::string crlf = Put("[Options]\r\nCols=21\r\nFont=\"Courier New\"\r\n", "crlf.ini");
    TIniFile a(crlf);
    EXPECT_EQ(a.ReadInteger("Options", "Cols", 0), 21);
    EXPECT_EQ(a.ReadString("Options", "Font", ""), "Courier New");
    ASSERT_TRUE(a.WriteInteger("Options", "Rows", 22));
    EXPECT_EQ(Contents(crlf), "[Options]\r\nCols=21\r\nFont=\"Courier New\"\r\nRows=22\r\n");

    const std::string bom = Put("\xEF\xBB\xBF[Options]\nCols=23", "bom.ini");
    TIniFile b(bom);
    EXPECT_EQ(b.ReadInteger("Options", "Cols", 0), 23);
    ASSERT_TRUE(b.WriteInteger("Options", "Rows", 24));
    EXPECT_EQ(Contents(bom), "\xEF\xBB\xBF[Options]\nCols=23\nRows=24\n");

    const std::string cr = Put("[Options]\rCols=25\r", "cr.ini");
    EXPECT_EQ(TIniFile(cr).ReadInteger("Options", "Cols", 0), 25);
}

TEST_F(IniFileTest, ValuesThatWouldBreakTheirLineAreFlattened) {
    TIniFile ini(Dir.PathOf("niblo.ini"));
    ASSERT_TRUE(ini.WriteString("s", "k", std::string("one\r\ntwo\0three", 14)));
    ASSERT_TRUE(ini.WriteString("s", "after", "ok"));
    EXPECT_EQ(ini.ReadString("s", "k", ""), "one  two three");
    EXPECT_EQ(ini.ReadSectionKeys("s"), (Strings{"k", "after"}));
    EXPECT_FALSE(ini.WriteString("s", "a=b", "x"));
    EXPECT_FALSE(ini.WriteString("s", "", "x"));
    EXPECT_FALSE(ini.WriteString("s]", "k", "x"));
    // Names that would read back as other names, or a key line that would read as a section or a comment.
    const std::string before = Contents(ini.FileName());
    for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
             {"s", " k"}, {"s", "k\t"}, {" s", "k"}, {"s ", "k"}, {"s", "[t]"}, {"s", ";k"}})
        EXPECT_FALSE(ini.WriteString(section, key, "x")) << "[" << section << "] " << key;
    EXPECT_EQ(Contents(ini.FileName()), before);
}

TEST_F(IniFileTest, AFolderInPlaceOfTheFileIsNeverTouched) {
    const std::string path = Dir.PathOf("niblo.ini");
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Options", "Cols", 19), 19);
    EXPECT_FALSE(ini.WriteInteger("Options", "Cols", 30));
    EXPECT_FALSE(ini.EraseSection("Options"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(Listing(), Strings{"niblo.ini"});
}

TEST_F(IniFileTest, AWriteProtectedFileFailsAndAProtectedFolderIsWrittenInPlace) {
    const std::string original = "[Options]\nCols=25\n";
    const std::string path = Put(original);
    // The folder would take a new copy renamed over the file: only the file's own protection stops it.
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0777), 0);
    TIniFile ini(path);
    bool wrote = true, erased = true, savedList = true;
    int32_t cols = 0;
    {
        TOrdinaryUser user;
        if (!user.Active()) GTEST_SKIP() << "running as root and cannot give it up";
        wrote = ini.WriteInteger("Options", "Cols", 30);
        erased = ini.EraseSection("Options");
        savedList = SaveListToIni(path, "Options", {"x"});
        cols = ini.ReadInteger("Options", "Cols", 19);
    }
    EXPECT_FALSE(wrote);
    EXPECT_FALSE(erased);
    EXPECT_FALSE(savedList);
    EXPECT_EQ(Contents(path), original);
    EXPECT_EQ(cols, 25);
    EXPECT_EQ(Listing(), Strings{"niblo.ini"});

    // A writable file in a folder that cannot take the new copy is written where it stands.
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0555), 0);
    bool wroteInProtectedFolder = true;
    {
        TOrdinaryUser user;
        wroteInProtectedFolder = ini.WriteInteger("Options", "Cols", 30);
    }
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    EXPECT_TRUE(wroteInProtectedFolder);
    EXPECT_EQ(Contents(path), "[Options]\nCols=30\n");
    EXPECT_EQ(Listing(), Strings{"niblo.ini"});
}

TEST_F(IniFileTest, SectionValuesLeaveOutEmptyValuesAndKeysAreBounded) {
    const std::string path = Put("[h]\n5=\"five\"\n2=\n9=nine\n5=again\n");
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadSectionKeys("h"), (Strings{"5", "2", "9"}));
    EXPECT_EQ(ini.ReadSectionValues("h"), (Strings{"5=five", "9=nine"}));

    // 1000 keys of 9 characters: only as many as fit the 8192-byte list, in file order.
    std::string many = "[m]\n";
    for (int i = 0; i < 1000; ++i)
        many += "key" + std::to_string(100000 + i) + "=v\n";
    Put(many);
    const Strings keys = ini.ReadSectionKeys("m");
    ASSERT_EQ(keys.size(), 819u); // 819 * 10 + 1 <= 8192
    EXPECT_EQ(keys.front(), "key100000");
    EXPECT_EQ(keys.back(), "key100818");
}

TEST_F(IniFileTest, ListsKeepTheirOrderAndReplaceTheWholeSection) {
    const std::string path = Put("[MRU Files]\n5=c:\\five\n2=\n9=c:\\nine\nx=c:\\x\n[Other]\nk=v\n");
    Strings list{"stale"};
    EXPECT_TRUE(LoadListFromIni(path, "MRU Files", list));
    EXPECT_EQ(list, (Strings{"c:\\five", "c:\\nine", "c:\\x"}));

    ASSERT_TRUE(SaveListToIni(path, "MRU Files", {"a", "b", "c"}));
    EXPECT_EQ(Contents(path), "[Other]\nk=v\n\n[MRU Files]\n0=a\n1=b\n2=c\n");
    ASSERT_TRUE(SaveListToIni(path, "MRU Files", {}));
    EXPECT_FALSE(TIniFile(path).SectionExists("MRU Files"));

    // An empty file name means the program's settings file.
    SetSettingsFile(path);
    ASSERT_TRUE(SaveListToIni("", "Favorites", {"/home"}));
    EXPECT_TRUE(LoadListFromIni("", "Favorites", list));
    EXPECT_EQ(list, Strings{"/home"});
    SetSettingsFile("");
}

TEST(SettingsFileName, ReplacesOrAppendsTheExtension) {
    EXPECT_EQ(SettingsFileName("C:\\Tools\\NIBLO.EXE"), "C:\\Tools\\NIBLO.ini");
    EXPECT_EQ(SettingsFileName("/usr/bin/niblo"), "/usr/bin/niblo.ini");
    EXPECT_EQ(SettingsFileName("/opt/my.tools/niblo"), "/opt/my.tools/niblo.ini");
    EXPECT_EQ(SettingsFileName("/opt/niblo.bin"), "/opt/niblo.ini");
    EXPECT_EQ(SettingsFileName("/home/u/.niblo"), "/home/u/.niblo.ini");
}

} // namespace
