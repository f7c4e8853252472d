// Texture: the reader chosen by the file ending, the exact messages of each failure, the
// expansion to RGBA with alpha 128, the GL texture object it leaves bound, and the three
// committed pictures. Runs with a current GL context (offscreen backend).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TextureTestFiles.h"
#include "platform/offscreen/Offscreen.h"
#include "support/GLTestContext.h"
#include "texture/Texture.h"

using namespace texture_test;
using platform::offscreen::MessageBoxes;

namespace {

// Writes the bytes to a file in the test's temporary directory; returns its path.
std::string WriteTempFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

class TextureTest : public corvane::test::GLTest {
protected:
    // A 2 x 1 BMP whose first pixel is stored as blue 10, green 20, red 30.
    static std::string BmpFile(const std::string& name)
    {
        BmpFields fields;
        fields.width = 2;
        fields.height = 1;
        return WriteTempFile(name, MakeBmp(fields, {10, 20, 30, 40, 50, 60}));
    }

    // A 2 x 1 big-endian verbatim RGB whose first pixel is red 10, green 20, blue 30.
    static std::string RgbFile(const std::string& name)
    {
        RgbFields fields;
        fields.xsize = 2;
        fields.ysize = 1;
        return WriteTempFile(name, MakeRgbVerbatim(fields, {10, 40, 20, 50, 30, 60}));
    }

    static Bytes Pixels(const Texture& texture)
    {
        return texture.pixels ? Bytes(texture.pixels,
                                      texture.pixels + size_t(texture.width) * texture.height * 4)
                              : Bytes();
    }

    static Texture* Make(const std::string& fileName)
    {
        return new Texture(fileName.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    }

    // The one message box shown since the last call, with its caption and style checked.
    std::string NextMessage(unsigned style)
    {
        const auto& boxes = MessageBoxes();
        EXPECT_EQ(boxes.size(), seen + 1);
        if (boxes.size() <= seen)
            return "";
        seen = boxes.size();
        EXPECT_EQ(boxes.back().caption, "Error");
        EXPECT_EQ(boxes.back().style, style);
        return boxes.back().text;
    }

    size_t seen = 0;  // message boxes already checked
};

}  // namespace

TEST_F(TextureTest, ChoosesTheReaderByTheExactEnding)
{
    std::unique_ptr<Texture> bmp(Make(BmpFile("choose.bmp")));
    EXPECT_EQ(Pixels(*bmp), (Bytes{30, 20, 10, 128, 60, 50, 40, 128}));
    std::unique_ptr<Texture> rgb(Make(RgbFile("choose.rgb")));
    EXPECT_EQ(Pixels(*rgb), (Bytes{10, 20, 30, 128, 40, 50, 60, 128}));
    // At the boundary: a name that is the ending alone, and one character more.
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(testing::TempDir());
    for (const std::string name : {".bmp", "a.bmp", ".rgb", "a.rgb"}) {
        const bool isBmp = name.back() == 'p';
        isBmp ? BmpFile(name) : RgbFile(name);
        std::unique_ptr<Texture> texture(Make(name));  // the bare name, read from here
        std::filesystem::remove(name);
        EXPECT_EQ(Pixels(*texture), isBmp ? Pixels(*bmp) : Pixels(*rgb)) << name;
    }
    std::filesystem::current_path(here);
    EXPECT_TRUE(MessageBoxes().empty());

    // The ending is compared case-sensitively; BMP bytes under an RGB name go to the RGB
    // reader and are refused by it.
    const std::string upper = BmpFile("CHOOSE.BMP");
    for (const std::string& name : {upper, std::string("x.Rgb"), std::string("bmp"),
                                    std::string(".bm"), std::string("")}) {
        Texture texture(name.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
        EXPECT_EQ(NextMessage(platform::kIconError), name + "\n\nInvalid file type.");
        EXPECT_EQ(texture.Load(name.c_str()), E_FAIL) << name;
        EXPECT_EQ(NextMessage(platform::kIconError), name + "\n\nInvalid file type.");
        EXPECT_EQ(texture.pixels, nullptr);
        EXPECT_EQ(texture.components, 0);
    }
    const std::string bmpAsRgb = WriteTempFile("bmp-bytes.rgb", MakeBmp(BmpFields{}, Bytes(12)));
    std::unique_ptr<Texture> misnamed(Make(bmpAsRgb));
    EXPECT_EQ(NextMessage(platform::kOk), "Invalid rgb file.");
}

TEST_F(TextureTest, ReportsEachFailureWithItsText)
{
    const std::string missing = testing::TempDir() + "missing";
    Texture texture((missing + ".bmp").c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    EXPECT_EQ(NextMessage(platform::kIconError), missing + ".bmp\n\nCould not open file.");
    EXPECT_EQ(texture.width, 0);
    EXPECT_NE(texture.textureName, 0u);  // the object exists without a usable picture

    // The RGB reader's messages have an OK button and no icon.
    EXPECT_EQ(texture.Load((missing + ".rgb").c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kOk), "Failed to open image file " + missing + ".rgb.\n");

    BmpFields eightBit;
    eightBit.bitsPerPixel = 8;
    const std::string bad = WriteTempFile("bad.bmp", MakeBmp(eightBit, Bytes(12)));
    EXPECT_EQ(texture.Load(bad.c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kIconError), bad + "\n\nInvalid file format.");

    // Truncated pixel data: refused as a whole, nothing half loaded.
    Bytes shortFile = MakeBmp(BmpFields{}, Bytes(12, 7));
    shortFile.pop_back();
    const std::string truncated = WriteTempFile("short.bmp", shortFile);
    EXPECT_EQ(texture.LoadBmp(truncated.c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kIconError), truncated + "\n\nInvalid file format.");
    EXPECT_EQ(texture.pixels, nullptr);
    EXPECT_EQ(texture.width, 0);

    RgbFields fields;
    const Bytes rgbBytes = MakeRgbVerbatim(fields, Bytes(11));
    const std::string damaged = WriteTempFile("short.rgb", rgbBytes);
    EXPECT_EQ(texture.LoadRgb(damaged.c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kOk), "Invalid rgb file.");
}

TEST_F(TextureTest, NamesThatAreNotRegularFilesCannotBeOpened)
{
    // A directory, a FIFO without a writer and a device, under both endings: each is answered
    // at once with the reader's open-failure text. A load that waits on the FIFO is released
    // by opening its writing end after a while, so this test fails instead of hanging.
    std::string dir = testing::TempDir() + "special-XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    std::unique_ptr<Texture> texture(Make(BmpFile("special.bmp")));
    for (const std::string ending : {".bmp", ".rgb"}) {
        const std::string directory = dir + "/directory" + ending;
        const std::string fifo = dir + "/fifo" + ending;
        const std::string device = dir + "/zero" + ending;
        ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
        ASSERT_EQ(symlink("/dev/zero", device.c_str()), 0);
        for (const std::string& name : {directory, fifo, device}) {
            auto load =
                std::async(std::launch::async, [&] { return texture->Load(name.c_str()); });
            if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
                ADD_FAILURE() << name << ": the load waits";
                const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (writer >= 0)
                    close(writer);
            }
            EXPECT_EQ(load.get(), E_FAIL) << name;
            if (ending == ".bmp")
                EXPECT_EQ(NextMessage(platform::kIconError), name + "\n\nCould not open file.");
            else
                EXPECT_EQ(NextMessage(platform::kOk),
                          "Failed to open image file " + name + ".\n");
            EXPECT_EQ(texture->pixels, nullptr);
        }
    }
    std::filesystem::remove_all(dir);
}

TEST_F(TextureTest, LongFileNamesAreReportedWhole)
{
    // Far beyond any fixed message buffer; the names do not exist.
    const std::string longName = testing::TempDir() + std::string(600, 'n');
    Texture bmp((longName + ".bmp").c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    EXPECT_EQ(NextMessage(platform::kIconError), longName + ".bmp\n\nCould not open file.");
    EXPECT_EQ(bmp.Load((longName + ".rgb").c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kOk), "Failed to open image file " + longName + ".rgb.\n");
    EXPECT_EQ(bmp.Load((longName + ".png").c_str()), E_FAIL);
    EXPECT_EQ(NextMessage(platform::kIconError), longName + ".png\n\nInvalid file type.");
}

TEST_F(TextureTest, ExpandsToRgbaWithAlpha128)
{
    uint8_t* block = static_cast<uint8_t*>(std::malloc(6));
    const uint8_t source[6] = {10, 20, 30, 1, 2, 3};
    std::memcpy(block, source, 6);
    ASSERT_EQ(ExpandToRgba(&block, 2, true), kResultOk);
    EXPECT_EQ(Bytes(block, block + 8), (Bytes{30, 20, 10, 128, 3, 2, 1, 128}));
    std::free(block);

    block = static_cast<uint8_t*>(std::malloc(6));
    std::memcpy(block, source, 6);
    ASSERT_EQ(ExpandToRgba(&block, 2, false), kResultOk);
    EXPECT_EQ(Bytes(block, block + 8), (Bytes{10, 20, 30, 128, 1, 2, 3, 128}));
    std::free(block);

    // A count no block can hold: the old block is freed and the pointer cleared.
    block = static_cast<uint8_t*>(std::malloc(6));
    EXPECT_EQ(ExpandToRgba(&block, INT64_MAX, true), E_OUTOFMEMORY);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(NextMessage(platform::kIconError),
              "Out of memory.\n\nFailed to create texture image.");
}

TEST_F(TextureTest, CreatesTheGLTextureAndLeavesItBound)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // Filters and wraps are passed as magnification, minification, T, then S.
    Texture texture(BmpFile("gl.bmp").c_str(), GL_NEAREST, GL_LINEAR, GL_CLAMP, GL_REPEAT);
    GLint value = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), texture.textureName);
    EXPECT_NE(texture.textureName, 0u);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);

    glBindTexture(GL_TEXTURE_2D, 0);
    texture.Bind();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), texture.textureName);
    // The pixels stay after the upload until freed.
    EXPECT_EQ(Pixels(texture).size(), 8u);
}

TEST_F(TextureTest, UploadsANonSquareRgbPictureAtItsSize)
{
    RgbFields fields;
    fields.xsize = 64;
    fields.ysize = 32;
    fields.runLength = true;
    std::vector<Bytes> rows;
    for (int i = 0; i < 3 * 32; ++i)
        rows.push_back({0x40, uint8_t(i), 0x00});  // each row one run of 64 bytes
    Texture texture(WriteTempFile("wide.rgb", MakeRgbRunLength(fields, rows)).c_str(),
                    GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    EXPECT_TRUE(MessageBoxes().empty());
    EXPECT_EQ(texture.width, 64);
    EXPECT_EQ(texture.height, 32);
    EXPECT_EQ(texture.components, 4);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);
    // Row 5 from the bottom: red from channel 0 row 5, green row 37, blue row 69.
    const Bytes pixels = Pixels(texture);
    EXPECT_EQ(Bytes(pixels.begin() + 5 * 64 * 4, pixels.begin() + 5 * 64 * 4 + 4),
              (Bytes{5, 37, 69, 128}));
}

TEST_F(TextureTest, FreePixelsKeepsTheHeaderFacts)
{
    Texture texture(BmpFile("free.bmp").c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    const GLuint name = texture.textureName;
    texture.FreePixels();
    EXPECT_EQ(texture.pixels, nullptr);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.height, 0);
    EXPECT_EQ(texture.components, 4);
    EXPECT_EQ(texture.textureName, name);

    // Nothing held: nothing changes.
    texture.width = 3;
    texture.FreePixels();
    EXPECT_EQ(texture.width, 3);
    texture.width = 0;

    // A load replaces what was held.
    EXPECT_EQ(texture.Load(RgbFile("again.rgb").c_str()), kResultOk);
    EXPECT_EQ(Pixels(texture), (Bytes{10, 20, 30, 128, 40, 50, 60, 128}));
}

TEST_F(TextureTest, CommittedPicturesLoad)
{
    for (const char* name : {"wood.bmp", "floor.bmp", "stained.bmp"}) {
        const std::string path = std::string(CORVANE_ASSETS_DIR) + "/" + name;
        Texture texture(path.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
        EXPECT_EQ(texture.width, 256) << name;
        EXPECT_EQ(texture.height, 256) << name;
        EXPECT_NE(texture.pixels, nullptr) << name;
    }
    EXPECT_TRUE(MessageBoxes().empty());
}
