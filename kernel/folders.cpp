#include "kernel/folders.h"

#include "kernel/exceptions.h"
#include "kernel/strings.h"
#include "platform/folders.h"
#include "platform/process.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace Zorva {
namespace {

// Removes the last element of a path (PathRemoveFileSpec); false when nothing was removed.
bool RemoveLastElement(std::u16string& path)
{
    while (path.size() > 1 && path.back() == u'/')
        path.pop_back();
    const size_t slash = path.rfind(u'/');
    if (slash == std::u16string::npos || path == u"/")
        return false;
    path.resize(slash == 0 ? 1 : slash);
    return true;
}

} // namespace

std::u16string GetExecutablePath()
{
    return Utf8ToWide(Platform::ExecutablePath());
}

std::u16string ProgramRootOf(const std::u16string& executablePath)
{
    std::u16string root = executablePath;
    if (!RemoveLastElement(root) || !RemoveLastElement(root))
        throw Exception::NoDataFound(E_FAIL, u"Incorrect path");
    if (root.back() != u'/')
        root.push_back(u'/');
    return root;
}

std::u16string GetProgramRoot()
{
    return ProgramRootOf(GetExecutablePath());
}

std::u16string GetResourceRoot()
{
    static std::once_flag once;
    static std::u16string root;
    std::call_once(once, [] { root = GetProgramRoot() + u"Res/"; });
    return root;
}

std::u16string GetUserFolder()
{
    const std::string docs = Platform::DocumentsFolder();
    if (docs.empty())
        throw Exception::IOError(FoldSystemError(errno != 0 ? errno : ENOENT), u"Folder");
    return Utf8ToWide(docs) + u"Glimmerpen/";
}

std::u16string GetUserVersionFolder()
{
    return GetUserFolder() + u"1.0/";
}

std::u16string MakeFolders(const std::u16string& base, const std::vector<std::u16string>& parts)
{
    std::u16string path = base;
    for (const std::u16string& part : parts) {
        path += part;
        const int rc = Platform::MakeFolder(WideToUtf8(path));
        if (rc != 0 && rc != EEXIST)
            throw Exception::IOError(FoldSystemError(rc), u"Create Dir: " + path);
    }
    return path;
}

std::u16string FileNameLower(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u'/');
    return ToLower(slash == std::u16string::npos ? path : path.substr(slash + 1));
}

const std::u16string& TemporaryFolderName()
{
    static const std::u16string name = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        return u"ZorvanBook" + Utf8ToWide(stamp);
    }();
    return name;
}

// The folder is created with mode 0700; an existing one is used only when it is a real folder of
// ours that nobody else can enter, since the fixed name in a shared /tmp could be taken first.
CTemporaryFolder::CTemporaryFolder()
{
    const std::string base = Platform::TemporaryFolder();
    const std::u16string path = Utf8ToWide(base) + TemporaryFolderName() + u"/";
    const int rc = Platform::MakePrivateFolder(WideToUtf8(path));
    if (rc != 0)
        throw Exception::IOError(FoldSystemError(rc), u"Get Temporary Folder");
    path_ = path;
}

} // namespace Zorva
