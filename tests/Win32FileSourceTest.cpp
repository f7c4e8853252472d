// The image readers' file source on the Win32 backend (CreateFileA, ReadFile): a regular file
// reads in pieces from any offset, and what is not a regular disk file (a directory, the NUL
// device, a console) is refused at once as a file that cannot be opened.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "texture/FileByteSource.h"

TEST(Win32FileSource, ReadsRegularFilesAndRefusesEverythingElse)
{
    const std::string path = testing::TempDir() + "file-source.bin";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 300; ++i)
            out.put(char(i));
    }
    {
        FileByteSource source(path.c_str());
        ASSERT_TRUE(source.IsOpen());
        EXPECT_EQ(source.Size(), 300u);
        unsigned char bytes[8] = {};
        ASSERT_TRUE(source.Seek(254));
        EXPECT_EQ(source.Read(bytes, 4), 4u);
        EXPECT_EQ(bytes[0], 254);
        EXPECT_EQ(bytes[3], 1);  // wrapped: 257 & 0xFF
        ASSERT_TRUE(source.Seek(298));
        EXPECT_EQ(source.Read(bytes, 8), 2u) << "a read at the end returns what is left";
        EXPECT_FALSE(source.Seek(301));
    }
    std::remove(path.c_str());

    const std::string directory = testing::TempDir() + "file-source-directory.bmp";
    std::filesystem::create_directory(directory);
    for (const std::string& name : {directory, std::string("NUL"), std::string("CONIN$"),
                                    testing::TempDir() + "missing.bmp"}) {
        FileByteSource source(name.c_str());
        EXPECT_FALSE(source.IsOpen()) << name;
    }
    std::filesystem::remove(directory);
}
