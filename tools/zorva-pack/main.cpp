// zorva-pack: packs a file into a resource container, unpacks one, or verifies containers.
//
//   zorva-pack pack PLAIN CONTAINER      the container's own file name is its name key
//   zorva-pack unpack CONTAINER PLAIN
//   zorva-pack verify CONTAINER...       exit 0 when every file reads and validates
#include "file/container.h"
#include "kernel/strings.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Zorva::File::ContainerError;

int Usage()
{
    std::cerr << "usage: zorva-pack pack PLAIN CONTAINER\n"
                 "       zorva-pack unpack CONTAINER PLAIN\n"
                 "       zorva-pack verify CONTAINER...\n";
    return 2;
}

bool ReadAll(const std::string& path, Bytes& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::u16string Wide(const std::string& path)
{
    return Zorva::Utf8ToWide(path);
}

// Reads, decrypts, validates and unpacks one container; the failing step's text, empty on success.
std::string Open(const std::string& path, Bytes& payload)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return "Read File";
    Bytes raw;
    if (const ContainerError error = Zorva::File::ReadContainerImage(Wide(path), size, raw))
        return Zorva::WideToUtf8(error.operation);
    if (!Zorva::File::UnpackContainerExactly(raw, payload))
        return "Unpack";
    return {};
}

int Pack(const std::string& plain, const std::string& container)
{
    Bytes data;
    if (!ReadAll(plain, data)) {
        std::cerr << plain << ": cannot be read\n";
        return 1;
    }
    if (!Zorva::File::WriteContainerFile(data.data(), data.size(), Wide(container))) {
        std::cerr << container << ": cannot be written\n";
        return 1;
    }
    return 0;
}

int Unpack(const std::string& container, const std::string& plain)
{
    Bytes payload;
    if (const std::string failed = Open(container, payload); !failed.empty()) {
        std::cerr << container << ": " << failed << "\n";
        return 1;
    }
    if (!WriteAll(plain, payload)) {
        std::cerr << plain << ": cannot be written\n";
        return 1;
    }
    return 0;
}

int Verify(const std::vector<std::string>& containers)
{
    int result = 0;
    for (const std::string& container : containers) {
        Bytes payload;
        if (const std::string failed = Open(container, payload); !failed.empty()) {
            std::cout << container << ": " << failed << "\n";
            result = 1;
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "pack")
            return Pack(args[1], args[2]);
        if (args.size() == 3 && args[0] == "unpack")
            return Unpack(args[1], args[2]);
        if (args.size() >= 2 && args[0] == "verify")
            return Verify({args.begin() + 1, args.end()});
    } catch (const std::bad_cast&) {
        std::cerr << "zorva-pack: a path is not valid UTF-8\n";
        return 1;
    }
    return Usage();
}
