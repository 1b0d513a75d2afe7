#include "file/file_holder.h"

#include "kernel/exceptions.h"
#include "kernel/strings.h"

#include <climits>

namespace Zorva::File {
namespace {

std::u16string_view LastElement(std::u16string_view path)
{
    const size_t slash = path.find_last_of(u'/');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::u16string CFileHolderGeneric::GetResourceName() const
{
    std::u16string_view name = LastElement(path_);
    if (const size_t dot = name.find_last_of(u'.'); dot != std::u16string_view::npos)
        name = name.substr(0, dot);
    return ToLower(name);
}

std::u16string CFileHolderGeneric::GetExtension() const
{
    const std::u16string_view name = LastElement(path_);
    const size_t dot = name.find_last_of(u'.');
    return dot == std::u16string_view::npos ? std::u16string() : ToLower(name.substr(dot));
}

std::span<const std::uint8_t> CFileHolderGeneric::GetPayloadStream() const
{
    // The XML reader counts its input in int.
    if (payload_.size() > static_cast<std::size_t>(INT_MAX))
        throw Exception::InvalidClass(E_FAIL, u"SH");
    return std::span<const std::uint8_t>(payload_.data(), payload_.size());
}

} // namespace Zorva::File
