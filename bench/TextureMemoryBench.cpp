// texture_memory_bench: peak resident memory of loading one texture, for valid pictures and
// for the most costly damaged files we can build for each reader. Each case runs in a fresh
// process: make a GL context (offscreen), load a 1 x 1 texture to warm the driver, reset the
// peak (Linux clear_refs), then construct the Texture from the case's file, which reads,
// expands to RGBA and uploads it. Large cases are sparse files, so the disk holds little.
//   texture_memory_bench [CASE...]      (default: every case; prints a table)
//   texture_memory_bench --run FILE     (one measurement, as the table's runs use it)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TextureTestFiles.h"
#include "platform/Platform.h"
#include "platform/offscreen/Offscreen.h"
#include "texture/Texture.h"

using namespace texture_test;

namespace {

// ---- One measurement (child process) ----

long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return -1;
}

// Processor time of this process so far (user and system), in milliseconds: steadier than
// wall time on a shared machine.
double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

intptr_t PassThrough(platform::Window* window, unsigned message, uintptr_t wParam,
                     intptr_t lParam)
{
    return platform::DefaultWindowProc(window, message, wParam, lParam);
}

bool MakeContext()
{
    platform::offscreen::Configure(platform::offscreen::Config{});
    static const platform::WindowClass windowClass{"CorvaneBench", PassThrough, nullptr, 0, 0};
    platform::RegisterWindowClass(windowClass);
    platform::Window* window = platform::CreateAppWindow("CorvaneBench", "bench", 64, 64);
    if (!window)
        return false;
    const platform::PixelFormat request{
        platform::kDrawToWindow | platform::kSupportOpenGL | platform::kDoubleBuffer, 32, 32, 8};
    const int index = platform::ChoosePixelFormat(window, request);
    platform::PixelFormat granted{};
    platform::DescribePixelFormat(window, index, &granted);
    platform::GLContext* context =
        platform::SetPixelFormat(window, index, granted) ? platform::CreateGLContext(window)
                                                         : nullptr;
    return context && platform::MakeCurrent(window, context);
}

int RunOne(const std::string& file, const std::string& warmUp)
{
    if (!MakeContext()) {
        std::fprintf(stderr, "texture_memory_bench: no GL context\n");
        return 1;
    }
    delete new Texture(warmUp.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak restarts from here
    const long baseline = StatusKb("VmRSS");
    const double start = CpuMs();
    Texture* texture = new Texture(file.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT);
    const double took = CpuMs() - start;
    const long peak = StatusKb("VmHWM");
    const long after = StatusKb("VmRSS");
    const auto& boxes = platform::offscreen::MessageBoxes();
    std::string text = "loaded " + std::to_string(texture->width) + "x" +
                       std::to_string(texture->height);
    if (!boxes.empty()) {  // the message, without the file name
        text = boxes.back().text;
        const size_t at = text.find(file);
        if (at != std::string::npos)
            text.replace(at, file.size(), "FILE");
        for (char& c : text)
            c = c == '\n' ? ' ' : c;
    }
    std::printf("%ld %ld %ld %.1f %s\n", baseline, peak, after, took, text.c_str());
    delete texture;
    platform::offscreen::Teardown();
    return 0;
}

// ---- The cases (parent process) ----

// A picture whose rows differ and whose bytes vary, so run-length rows are mostly literal.
uint8_t Sample(size_t x, size_t y, size_t c)
{
    return uint8_t((x * (c + 1) + y * (3 - c) + (x ^ y)) >> 1);
}

bool WriteBytes(const std::string& path, const Bytes& bytes, uint64_t size = 0)
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out)
            return false;
    }
    std::error_code error;
    if (size > bytes.size())
        std::filesystem::resize_file(path, size, error);  // a hole: no disk, reads as zeros
    return !error;
}

Bytes ValidBmp(int side)
{
    BmpFields fields;
    fields.width = side;
    fields.height = side;
    Bytes pixels(size_t(side) * side * 3);
    for (size_t y = 0, i = 0; y < size_t(side); ++y)
        for (size_t x = 0; x < size_t(side); ++x)
            for (size_t c = 0; c < 3; ++c)
                pixels[i++] = Sample(x, y, c);
    return MakeBmp(fields, pixels);
}

Bytes ValidRunLengthRgb(int side)
{
    RgbFields fields;
    fields.xsize = uint16_t(side);
    fields.ysize = uint16_t(side);
    std::vector<Bytes> rows;
    Bytes row(side);
    for (size_t c = 0; c < 3; ++c)
        for (size_t y = 0; y < size_t(side); ++y) {
            for (size_t x = 0; x < size_t(side); ++x)
                row[x] = Sample(x, y, c);
            rows.push_back(PackLiteral(row));
        }
    return MakeRgbRunLength(fields, rows);
}

// Run-length header and tables of `channels` channels whose every row starts right after the
// tables with `length` stored bytes; the caller appends the stored bytes.
Bytes SharedRowTables(uint16_t xsize, uint16_t ysize, uint32_t length, uint16_t channels = 3)
{
    RgbFields fields;
    fields.runLength = true;
    fields.xsize = xsize;
    fields.ysize = ysize;
    fields.zsize = channels;
    Bytes out = MakeRgbHeader(fields);
    const uint32_t entries = uint32_t(channels) * ysize;
    const uint32_t start = 512 + 8 * entries;
    for (uint32_t i = 0; i < entries; ++i)
        Put32(out, start, true);
    for (uint32_t i = 0; i < entries; ++i)
        Put32(out, length, true);
    return out;
}

// A stored row of `width` pixels as runs of 127 and the closing 0: 16384 pixels in 261 bytes
// (129 runs of 127, one run of 1, the 0).
Bytes RowOfRuns(size_t width = 16384)
{
    Bytes row;
    for (size_t done = 0, i = 0; done < width; ++i) {
        const size_t count = std::min<size_t>(127, width - done);
        row.insert(row.end(), {uint8_t(count), uint8_t(count == 127 ? i : 7)});
        done += count;
    }
    row.push_back(0x00);
    return row;
}

// A square picture from a tiny file: every row of every channel is the one stored row of
// runs, valid and only shared.
bool WriteSharedRowBomb(const std::string& path, uint16_t side, uint16_t channels)
{
    const Bytes row = RowOfRuns(side);
    Bytes file = SharedRowTables(side, side, uint32_t(row.size()), channels);
    file.insert(file.end(), row.begin(), row.end());
    return WriteBytes(path, file);
}

struct Case {
    const char* name;
    const char* what;
    int width;   // as the header states
    int height;  // as the header states
    std::function<bool(const std::string& path)> write;
};

const Case kCases[] = {
    {"bmp-256", "valid BMP", 256, 256,
     [](const std::string& p) { return WriteBytes(p, ValidBmp(256)); }},
    {"bmp-4096", "valid BMP", 4096, 4096,
     [](const std::string& p) { return WriteBytes(p, ValidBmp(4096)); }},
    {"rgb-256", "valid SGI, run-length", 256, 256,
     [](const std::string& p) { return WriteBytes(p, ValidRunLengthRgb(256)); }},
    {"rgb-4096", "valid SGI, run-length", 4096, 4096,
     [](const std::string& p) { return WriteBytes(p, ValidRunLengthRgb(4096)); }},
    // BMP: every check comes before the pixel block, so the worst is a header claiming the
    // largest picture over a (sparse) file one byte too short for it.
    {"bmp-cap-short", "BMP 16384^2, 1 byte short", 16384, 16384,
     [](const std::string& p) {
         BmpFields fields;
         fields.width = 16384;
         fields.height = 16384;
         return WriteBytes(p, MakeBmp(fields, {}), 54 + 16384ull * 16384 * 3 - 1);
     }},
    // SGI: a sparse 2 GiB file of zeros after the header: 1 x 16384, 16384 channels.
    {"rgb-z16384", "SGI 1x16384, zsize 16384, sparse", 1, 16384,
     [](const std::string& p) {
         RgbFields fields;
         fields.runLength = true;
         fields.xsize = 1;
         fields.ysize = 16384;
         fields.zsize = 16384;
         return WriteBytes(p, MakeRgbHeader(fields), 512 + 8ull * 16384 * 16384);
     }},
    // The same with zsize 65535: 8.6 GB of tables in a sparse file.
    {"rgb-z65535", "SGI 1x16384, zsize 65535, sparse", 1, 16384,
     [](const std::string& p) {
         RgbFields fields;
         fields.runLength = true;
         fields.xsize = 1;
         fields.ysize = 16384;
         fields.zsize = 65535;
         return WriteBytes(p, MakeRgbHeader(fields), 512 + 8ull * 16384 * 65535);
     }},
    // Every row of 16384 pixels stored with the largest length allowed (256 x xsize = 4 MiB),
    // all sharing one stored row that ends early: a short file, a lot of reading.
    {"rgb-long-rows", "SGI 16384x256, rows of 4 MiB shared", 16384, 256,
     [](const std::string& p) {
         const Bytes row = RowOfRuns();
         Bytes file = SharedRowTables(16384, 256, 256 * 16384);
         const uint64_t size = file.size() + 256 * 16384;
         file.insert(file.end(), row.begin(), row.end());
         return WriteBytes(p, file, size);
     }},
    // The largest picture from a 400 KB file: all rows share one stored row of runs; the
    // very last row read (channel 2, top row) starts inside it and runs past the file's end,
    // so the whole picture is decoded and then refused.
    {"rgb-cap-broken", "SGI 16384^2 from 400 KB, last row broken", 16384, 16384,
     [](const std::string& p) {
         const Bytes row = RowOfRuns();
         Bytes file = SharedRowTables(16384, 16384, uint32_t(row.size()));
         Poke32(file, 512 + 4 * (3 * 16384 - 1), uint32_t(file.size() + 2), true);
         file.insert(file.end(), row.begin(), row.end());
         return WriteBytes(p, file);
     }},
    // A valid 24-bit BMP of 16384 x 16384 pixels, as a sparse file of 768 MiB.
    {"bmp-16384", "BMP 16384^2, valid, sparse", 16384, 16384,
     [](const std::string& p) {
         BmpFields fields;
         fields.width = 16384;
         fields.height = 16384;
         return WriteBytes(p, MakeBmp(fields, {}), 54 + 16384ull * 16384 * 3);
     }},
    // The same picture size from 129 KB (grey) or 385 KB (three channels) of valid SGI data.
    {"rgb-bomb-grey", "SGI 16384^2 grey, all rows one stored row", 16384, 16384,
     [](const std::string& p) { return WriteSharedRowBomb(p, 16384, 1); }},
    {"rgb-bomb-rgb", "SGI 16384^2 RGB, all rows one stored row", 16384, 16384,
     [](const std::string& p) { return WriteSharedRowBomb(p, 16384, 3); }},
    // The largest picture a shared-row file may describe, 4096 x 4096: it loads.
    {"rgb-bomb-4096", "SGI 4096^2 RGB, all rows one stored row", 4096, 4096,
     [](const std::string& p) { return WriteSharedRowBomb(p, 4096, 3); }},
};

struct Measured {
    long baselineKb = 0, peakKb = 0, afterKb = 0;
    double ms = 0;
    std::string result;
};

bool Measure(const std::string& self, const std::string& file, const std::string& warmUp,
             Measured* measured)
{
    const std::string command = "'" + self + "' --run '" + file + "' '" + warmUp + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = pclose(pipe);
    if (!read || status != 0)
        return false;
    int used = 0;
    if (std::sscanf(line, "%ld %ld %ld %lf %n", &measured->baselineKb, &measured->peakKb,
                    &measured->afterKb, &measured->ms, &used) < 4)
        return false;
    measured->result = line + used;
    while (!measured->result.empty() && measured->result.back() == '\n')
        measured->result.pop_back();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--run") == 0)
        return RunOne(argv[2], argv[3]);

    std::string dir = (std::filesystem::temp_directory_path() / "corvane-memory-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        std::fprintf(stderr, "texture_memory_bench: cannot make a temporary folder\n");
        return 1;
    }
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string warmUp = dir + "/warm-up.bmp";
    BmpFields tiny;
    tiny.width = tiny.height = 1;
    WriteBytes(warmUp, MakeBmp(tiny, {1, 2, 3}));

    std::printf("%-15s %-42s %9s %12s %9s %7s %9s  %s\n", "case", "file", "file MiB",
                "picture MiB", "peak MiB", "ratio", "cpu ms", "result");
    int status = 0;
    for (const Case& c : kCases) {
        bool chosen = argc == 1;
        for (int i = 1; i < argc; ++i)
            chosen = chosen || std::strcmp(argv[i], c.name) == 0;
        if (!chosen)
            continue;
        const std::string path =
            dir + "/" + c.name + (std::strncmp(c.name, "bmp", 3) == 0 ? ".bmp" : ".rgb");
        Measured m;
        if (!c.write(path) || !Measure(self, path, warmUp, &m)) {
            std::printf("%-15s failed to run\n", c.name);
            status = 1;
            continue;
        }
        const double mib = 1024.0 * 1024.0;
        const double fileBytes = double(std::filesystem::file_size(path));
        const double pictureBytes = double(c.width) * c.height * 4;  // the RGBA block
        const double peakBytes = double(m.peakKb - m.baselineKb) * 1024.0;
        std::printf("%-15s %-42s %9.1f %12.1f %9.1f %7.2f %9.1f  %s\n", c.name, c.what,
                    fileBytes / mib, pictureBytes / mib, peakBytes / mib,
                    peakBytes / std::max(fileBytes, pictureBytes), m.ms, m.result.c_str());
        std::filesystem::remove(path);
    }
    std::filesystem::remove_all(dir);
    std::printf("\npeak: resident growth over the process's size just before the load (read,"
                " RGBA expansion, GL upload);\nratio: peak / max(file size, RGBA picture the "
                "header describes); cpu ms: user + system time of the load\n");
    return status;
}
