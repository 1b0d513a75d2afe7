// The XML reader on arbitrary documents: a tree or an InvalidXML failure, never anything else.
// Whatever it reads is written again and must read back.
#include "file/xml.h"
#include "kernel/exceptions.h"
#include "kernel/strings.h"

#include <cstdint>
#include <cstdlib>
#include <typeinfo>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Zorva::GetReportHooks().showReport = nullptr;
    std::vector<Zorva::File::XmlElement> seen;
    auto keep = [&seen](Zorva::File::XmlElement& e) { seen.push_back(e); };
    std::u16string written;
    try {
        Zorva::File::CXMLManager reader(std::span<const std::uint8_t>(data, size), {{u"Art", keep}, {u"chars", keep}});
        written = reader.DocumentText();
    } catch (const Zorva::Exception::InvalidXML&) {
        return 0;
    }
    // The serialized tree is well-formed and gives the same tree again.
    std::string utf8;
    try {
        utf8 = Zorva::WideToUtf8(written);
    } catch (const std::bad_cast&) {
        std::abort();
    }
    std::size_t again = 0;
    try {
        Zorva::File::CXMLManager reader(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()),
                                        {{u"Art", [&again](Zorva::File::XmlElement&) { ++again; }},
                                         {u"chars", [&again](Zorva::File::XmlElement&) { ++again; }}});
    } catch (const Zorva::Exception::InvalidXML&) {
        std::abort();
    }
    if (again != seen.size())
        std::abort();
    return 0;
}
