#include "platform/filewriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/error.h"
#include "platform/faults.h"
#include "platform/filemapping.h"
#include "platform/replacementfile.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

TEST(FileWriterTest, BufferedAndLargeWritesLandInOrderAndWriteAtPatches) {
  test::TTempDir dir;
  std::string path = dir.File("out.bin");
  std::vector<uint8_t> big(3000, 7);
  {
    TFileWriter writer(path, 1024);
    writer.Write("abcd", 4);
    writer.Write(big.data(), big.size());  // larger than the buffer
    writer.Write("xy", 2);
    writer.WriteAt(1, "ZZ", 2);
    EXPECT_EQ(writer.Position(), 3006u);
    writer.Close();
  }
  std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 3006u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "aZZd");
  EXPECT_EQ(bytes[4], 7);
  EXPECT_EQ(std::string(bytes.end() - 2, bytes.end()), "xy");
}

TEST(FileWriterTest, AFailedWriteSurfacesLaterAndNothingAfterItIsWritten) {
  test::TTempDir dir;
  std::string path = dir.File("out.bin");
  std::vector<uint8_t> data(64, 1);
  {
    TFileWriter writer(path, 16);
    FailNth(TFault::Write, 2);
    auto writeUntilFailure = [&] {
      for (int i = 0; i < 100; ++i) writer.Write(data.data(), data.size());
      writer.Close();
    };
    try {
      writeUntilFailure();
      ADD_FAILURE() << "no exception";
    } catch (const EOSError& error) {
      EXPECT_EQ(error.Code(), ENOSPC);
    }
    ClearFaults();
    EXPECT_THROW(writer.Close(), EOSError);  // the failure stays
  }
  EXPECT_EQ(test::ReadFileBytes(path).size(), 16u);  // only the first buffer made it
}

TEST(FileWriterTest, WriteAtWaitsForEverythingBeforeIt) {
  test::TTempDir dir;
  std::string path = dir.File("out.bin");
  TFileWriter writer(path, 8);
  std::vector<uint8_t> data(1000, 3);
  writer.Write(data.data(), data.size());
  writer.WriteAt(996, "end!", 4);
  writer.Close();
  std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 1000u);
  EXPECT_EQ(std::string(bytes.end() - 4, bytes.end()), "end!");
}

TEST(FileWriterTest, UncreatableFileThrows) {
  EXPECT_THROW(TFileWriter("/nonexistent-folder/x.bin"), EOSError);
}

// A system error names the file or folder it failed on, as "path: reason".
TEST(SystemErrorTest, NamesThePathItFailedOn) {
  test::TTempDir dir;
  const std::string folder = dir.File("folder.wav");
  std::filesystem::create_directory(folder);
  struct TRow {
    const char* what;
    std::function<void()> fail;
    std::string named;
    int code;
  };
  const TRow rows[] = {
      {"writing a folder", [&] { TFileWriter writer(folder); }, folder, EISDIR},
      {"writing into a missing folder", [&] { TFileWriter writer(dir.File("no/x.wav")); },
       dir.File("no/x.wav"), ENOENT},
      {"replacing a folder",
       [&] {
         TReplacementFile file(folder);
         TFileWriter(file.Path()).Close();
         file.Commit();
       },
       folder, EISDIR},
      {"reading a missing file", [&] { TFileMapping::OpenForReading(dir.File("gone.wav")); },
       dir.File("gone.wav"), ENOENT},
  };
  for (const TRow& row : rows) {
    try {
      row.fail();
      ADD_FAILURE() << row.what << ": no error";
    } catch (const EOSError& error) {
      EXPECT_EQ(error.Code(), row.code) << row.what;
      EXPECT_EQ(std::string(error.what()), "System Error. Code: " + std::to_string(row.code) +
                                               ".\n" + row.named + ": " + std::strerror(row.code))
          << row.what;
    }
  }
}

}  // namespace
}  // namespace quillon
