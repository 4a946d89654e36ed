// The package integrity check: the CRC-32 itself, the checksum of one file, and the check of
// a "crc32.txt" list on a fake machine (setup's folder is C:\Setup, the clock stands at
// 08:00:00), plus the block-wise read of the real file system.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "crc32.h"
#include "fake_run.h"
#include "file_system.h"
#include "package_integrity.h"
#include "test_folder.h"

namespace {

// The CRC-32 of "abc" as "%x" writes it.
const char kAbc[] = "352441c2";
const char kListPath[] = "C:\\Setup\\crc32.txt";

TEST(Crc32Test, KnownValues) {
    struct Case {
        std::string data;
        std::uint32_t value;
        const char* text;
    };
    const Case cases[] = {
        {"abc", 0x352441c2u, "352441c2"},
        {"123456789", 0xcbf43926u, "cbf43926"},   // the check value of the IEEE polynomial
        {"hello world", 0x0d4a1185u, "d4a1185"},  // no leading zero in the text
        {"", 0u, "0"},
        {std::string("\0\xff", 2), 0x6cdbfd72u, "6cdbfd72"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, Crc32Of(c.data.data(), c.data.size())) << c.text;
        EXPECT_EQ(c.text, Crc32Text(Crc32Of(c.data.data(), c.data.size())));
    }
}

TEST(Crc32Test, BlocksGiveTheValueOfTheWhole) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 7 + 3);
    const std::uint32_t whole = Crc32Of(data.data(), data.size());
    for (std::size_t block : {1u, 3u, 1024u, 4999u}) {
        Crc32 crc;
        for (std::size_t at = 0; at < data.size(); at += block)
            crc.Update(data.data() + at, std::min(block, data.size() - at));
        EXPECT_EQ(whole, crc.Value()) << block;
    }
    Crc32 crc;
    crc.Update("xyz", 3);
    crc.Reset();
    crc.Update("abc", 3);
    EXPECT_EQ(0x352441c2u, crc.Value());
}

TEST(Crc32Test, ParsesHexadecimalValues) {
    struct Case {
        const char* text;
        bool ok;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"352441c2", true, 0x352441c2u},
        {"352441C2", true, 0x352441c2u},
        {"0d4a1185", true, 0x0d4a1185u},
        {"000000000d4a1185", true, 0x0d4a1185u},
        {"0", true, 0u},
        {"00000000", true, 0u},
        {"ffffffff", true, 0xffffffffu},
        {"", false, 0u},
        {"1ffffffff", false, 0u},
        {"0x352441c2", false, 0u},
        {"352441c2 ", false, 0u},
        {"35244 1c2", false, 0u},
        {"-1", false, 0u},
        {"xyz", false, 0u},
    };
    for (const Case& c : cases) {
        std::uint32_t value = 12345;
        EXPECT_EQ(c.ok, ParseCrc32Text(c.text, &value)) << c.text;
        EXPECT_EQ(c.ok ? c.value : 12345u, value) << c.text;
    }
}

TEST(PackageIntegrityTest, ChecksumsAreComparedAsValues) {
    EXPECT_TRUE(SameChecksum("352441c2", "352441c2"));
    EXPECT_TRUE(SameChecksum("352441c2", "352441C2"));
    EXPECT_TRUE(SameChecksum("d4a1185", "0d4a1185"));
    EXPECT_TRUE(SameChecksum("d4a1185", "0D4A1185"));
    EXPECT_TRUE(SameChecksum("0", "00000000"));
    EXPECT_FALSE(SameChecksum("352441c2", "352441c"));
    EXPECT_FALSE(SameChecksum("352441c2", "352441c3"));
    EXPECT_FALSE(SameChecksum("352441c2", "0x352441c2"));
    EXPECT_FALSE(SameChecksum("352441c2", ""));
    EXPECT_FALSE(SameChecksum("", ""));  // a file that cannot be read never matches
    EXPECT_FALSE(SameChecksum("", "0"));
}

TEST(PackageIntegrityTest, FileChecksumReadsInBlocksAndDispatchesBetweenThem) {
    FakeRun run;
    run.machine.SetFileContent("C:\\Setup\\abc.bin", "abc");
    EXPECT_EQ(kAbc, FileChecksum("C:\\Setup\\abc.bin", run.Services()));
    EXPECT_EQ(2, run.pump.calls);  // before the first block and after the only one

    const std::string big(2 * kChecksumBlockSize + 1, 'x');
    run.machine.SetFileContent("C:\\Setup\\big.bin", big);
    run.pump.calls = 0;
    EXPECT_EQ(Crc32Text(Crc32Of(big.data(), big.size())),
              FileChecksum("C:\\Setup\\big.bin", run.Services()));
    EXPECT_EQ(4, run.pump.calls);  // three blocks

    run.machine.SetFileContent("C:\\Setup\\empty.bin", "");
    run.pump.calls = 0;
    EXPECT_EQ("0", FileChecksum("C:\\Setup\\empty.bin", run.Services()));
    EXPECT_EQ(1, run.pump.calls);

    // A relative path is read in the current folder.
    EXPECT_EQ(kAbc, FileChecksum("abc.bin", run.Services()));
    EXPECT_EQ(0u, run.clock.SleptMilliseconds());  // no fixed wait per file
    EXPECT_EQ("", run.LogText());
}

TEST(PackageIntegrityTest, FileChecksumOfAMissingFileIsEmpty) {
    FakeRun run;
    EXPECT_EQ("", FileChecksum("C:\\Setup\\none.bin", run.Services()));
    EXPECT_EQ("[ERROR] Unable to open file C:\\Setup\\none.bin \n", run.LogText());
}

// One check of a list: the list and the files beside setup, and what must come of them.
struct ListCase {
    const char* name;
    const char* list;  // null: there is no crc32.txt
    int result;
    std::vector<std::string> lines;  // the log, line by line
};

std::vector<ListCase> ListCases() {
    const std::string started = "[INFO] [08:00:00] CRC32 verification started.";
    const std::string ended = "[INFO] [08:00:00] CRC32 verification ended.";
    return {
        {"no list",
         nullptr,
         -1,
         {"[INFO] C:\\Setup\\crc32.txt does not exists! Skipping CRC32 check..."}},
        {"an empty list", "", 1, {started, ended}},
        {"a CR-LF list", "abc.txt|352441c2\r\nhello.txt|d4a1185\r\n", 1, {started, ended}},
        {"an LF-only list: no digit is cut",
         "abc.txt|352441c2\nhello.txt|d4a1185\n",
         1,
         {started, ended}},
        {"an LF-only list without a final line feed",
         "abc.txt|352441c2\nhello.txt|d4a1185",
         1,
         {started, ended}},
        {"an LF-only list with a blank after each checksum (the old way)",
         "abc.txt|352441c2 \nhello.txt|d4a1185\t\n",
         1,
         {started, ended}},
        {"a CR-LF list with blanks around the fields",
         "  abc.txt  |  352441c2  \r\nhello.txt | d4a1185 \r\n",
         1,
         {started, ended}},
        {"upper case and leading zeros",
         "abc.txt|352441C2\r\nhello.txt|0D4A1185\nsub\\setup.txt|0251d5630\n",
         1,
         {started, ended}},
        {"absolute and relative paths",
         "C:\\Setup\\abc.txt|352441c2\nsub\\setup.txt|251d5630\n",
         1,
         {started, ended}},
        {"lines without | and with three fields are ignored",
         "checksums of the shipped files\r\nhello.txt 0\r\nabc.txt|0|0\r\n"
         "hello.txt|0|d4a1185\n|\r\nabc.txt|352441c2\r\n",
         1,
         {started, ended}},
        {"a wrong checksum fails",
         "abc.txt|352441c2\r\nhello.txt|d4a1186\r\n",
         0,
         {started,
          "[ERROR] [08:00:00] CRC32 checksum for hello.txt is d4a1185. Matching with d4a1186 "
          "failed",
          ended}},
        {"a cut checksum fails",
         "abc.txt|352441c\n",
         0,
         {started,
          "[ERROR] [08:00:00] CRC32 checksum for abc.txt is 352441c2. Matching with 352441c "
          "failed",
          ended}},
        {"a missing file fails and the check goes on",
         "gone.dll|352441c2\r\nhello.txt|d4a1186\r\nabc.txt|352441c2\r\n",
         0,
         {started, "[ERROR] Unable to open file gone.dll ",
          "[ERROR] [08:00:00] CRC32 checksum for gone.dll is . Matching with 352441c2 failed",
          "[ERROR] [08:00:00] CRC32 checksum for hello.txt is d4a1185. Matching with d4a1186 "
          "failed",
          ended}},
        {"a missing file with an empty checksum fails",
         "gone.dll| \n",
         0,
         {started, "[ERROR] Unable to open file gone.dll ",
          "[ERROR] [08:00:00] CRC32 checksum for gone.dll is . Matching with  failed", ended}},
    };
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(PackageIntegrityTest, ChecksTheList) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.name);
        FakeRun run;
        run.machine.SetFileContent("C:\\Setup\\abc.txt", "abc");
        run.machine.SetFileContent("hello.txt", "hello world");
        run.machine.SetFileContent("C:\\Setup\\sub\\setup.txt", "setup");
        if (c.list)
            run.machine.SetFileContent(kListPath, c.list);
        EXPECT_EQ(c.result, VerifyPackageIntegrity(run.Services()));
        EXPECT_EQ(c.lines, Lines(run.LogText()));
        EXPECT_EQ(0u, run.clock.SleptMilliseconds());
    }
}

TEST(PackageIntegrityTest, TheTimesAreThoseOfTheClock) {
    FakeRun run;
    run.clock.Advance(3 * 3600 + 25 * 60 + 7);
    run.machine.SetFileContent(kListPath, "abc.txt|1\n");
    run.machine.SetFileContent("abc.txt", "abc");
    EXPECT_EQ(0, VerifyPackageIntegrity(run.Services()));
    EXPECT_EQ((std::vector<std::string>{
                  "[INFO] [11:25:07] CRC32 verification started.",
                  "[ERROR] [11:25:07] CRC32 checksum for abc.txt is 352441c2. Matching with 1 "
                  "failed",
                  "[INFO] [11:25:07] CRC32 verification ended."}),
              Lines(run.LogText()));
}

TEST(PackageIntegrityTest, TheListIsLookedForInTheCurrentFolder) {
    FakeRun run;
    run.machine.SetCurrentDirectory("D:\\Media\\Setup");
    run.machine.SetFileContent(kListPath, "abc.txt|0\n");  // in C:\Setup: not the list
    EXPECT_EQ(-1, VerifyPackageIntegrity(run.Services()));
    EXPECT_TRUE(run.log.Contains("D:\\Media\\Setup\\crc32.txt does not exists!"));
    run.machine.SetFileContent("D:\\Media\\Setup\\crc32.txt", "abc.txt|352441c2\n");
    run.machine.SetFileContent("D:\\Media\\Setup\\abc.txt", "abc");
    EXPECT_EQ(1, VerifyPackageIntegrity(run.Services()));
}

// The program's file system reads real files block by block.
TEST(SystemFileSystemTest, ReadsAFileInBlocks) {
    TestFolder folder;
    const std::string path = folder.Child("data.bin");
    std::string data;
    for (int i = 0; i < 2500; ++i) data += static_cast<char>(i % 251);
    std::ofstream(path, std::ios::binary) << data;

    std::vector<std::size_t> sizes;
    std::string read;
    EXPECT_TRUE(SystemFileSystem().ReadBlocks(path, 1024, [&](const char* block, std::size_t size) {
        sizes.push_back(size);
        read.append(block, size);
        return true;
    }));
    EXPECT_EQ((std::vector<std::size_t>{1024, 1024, 452}), sizes);
    EXPECT_EQ(data, read);

    // The receiver can stop the reading.
    sizes.clear();
    EXPECT_TRUE(SystemFileSystem().ReadBlocks(path, 1000, [&](const char*, std::size_t size) {
        sizes.push_back(size);
        return false;
    }));
    EXPECT_EQ((std::vector<std::size_t>{1000}), sizes);

    std::string whole;
    EXPECT_TRUE(ReadWholeFile(SystemFileSystem(), path, &whole));
    EXPECT_EQ(data, whole);

    std::ofstream(folder.Child("empty.bin"), std::ios::binary);
    sizes.clear();
    EXPECT_TRUE(SystemFileSystem().ReadBlocks(folder.Child("empty.bin"), 1024,
                                              [&](const char*, std::size_t size) {
                                                  sizes.push_back(size);
                                                  return true;
                                              }));
    EXPECT_TRUE(sizes.empty());

    EXPECT_FALSE(SystemFileSystem().ReadBlocks(folder.Child("none.bin"), 1024,
                                               [](const char*, std::size_t) { return true; }));
    whole = "unchanged";
    EXPECT_FALSE(ReadWholeFile(SystemFileSystem(), folder.Child("none.bin"), &whole));
    EXPECT_EQ("unchanged", whole);
}

}  // namespace
