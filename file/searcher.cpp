#include "file/searcher.h"

#include "file/container.h"
#include "file/content_store.h"
#include "file/database.h"
#include "file/profile.h"
#include "kernel/config.h"
#include "kernel/exceptions.h"
#include "kernel/folders.h"
#include "kernel/load_stage.h"
#include "kernel/persistent_singleton.h"
#include "kernel/strings.h"
#include "kernel/text.h"
#include "platform/raw_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <typeinfo>

namespace Zorva::File {
namespace {

// Stream and Art load once per run; a replay after a settings change lists only Auto again.
std::atomic<bool> g_contentListed{false};

std::u16string QualityFolder(std::uint32_t quality)
{
    return quality == 1 ? u"LvlMedium/" : quality == 2 ? u"Lvl10/" : u"Lvl9/";
}

// The listing's pattern "*.zorva-*", matched without regard to letter case as the resources'
// original file system did.
bool MatchesResourcePattern(const std::string& name)
{
    static constexpr std::string_view marker = ".zorva-";
    if (name.size() < marker.size())
        return false;
    for (size_t i = 0; i + marker.size() <= name.size(); ++i) {
        size_t j = 0;
        while (j < marker.size() &&
               static_cast<char>(name[i + j] >= 'A' && name[i + j] <= 'Z' ? name[i + j] + 32 : name[i + j]) == marker[j])
            ++j;
        if (j == marker.size())
            return true;
    }
    return false;
}

void Forward(KindHandler KindHooks::*hook, CFileHolderGeneric& file)
{
    const KindHandler& handler = GetKindHooks().*hook;
    if (handler)
        handler(file);
}

void AddArt(CFileHolderGeneric& file)
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    if (kernel == nullptr || !kernel->contentStore)
        return;
    ArtRecord record;
    record.packed = std::move(file.Raw());
    kernel->contentStore->AddPicture(file.GetResourceName(), std::move(record));
}

void AddBlob(CFileHolderGeneric& file)
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    if (kernel == nullptr || !kernel->contentStore)
        return;
    std::vector<std::uint8_t> bytes(file.GetPayloadData(), file.GetPayloadData() + file.GetPayloadSize());
    kernel->contentStore->AddBlob(file.GetResourceName(), std::move(bytes));
}

} // namespace

StagePlan PlanStage(std::uint32_t stage, const std::u16string& root, const std::u16string& userFolder,
                    std::uint32_t quality, std::uint16_t language, bool firstContentPass)
{
    StagePlan plan;
    switch (stage) {
    case 0:
        plan.folders = {root + u"Boot/"};
        plan.loadingStage = 1;
        break;
    case 3:
        plan.folders = {root + u"Boot2/", root + u"Boot2/" + QualityFolder(quality)};
        plan.loadingStage = 4;
        break;
    case 6:
        if (firstContentPass) {
            plan.folders = {root + u"Stream/", root + u"Stream/" + SelectText(Texts::LanguageFolder, language) + u"/",
                            root + u"Art/"};
        }
        plan.folders.push_back(root + u"Auto/");
        plan.folders.push_back(root + u"Auto/" + QualityFolder(quality));
        plan.loadingStage = 7;
        break;
    case 11:
        plan.folders = {userFolder};
        plan.loadingStage = 12;
        break;
    default:
        plan.loadingStage = stage;
        break;
    }
    return plan;
}

std::uint32_t CompletedStage(std::uint32_t stage)
{
    switch (stage) {
    case 1:
        return 2;
    case 4:
        return 5;
    case 7:
        return 8;
    default:
        return 13;
    }
}

CFileSearcher::CFileSearcher(std::u16string resourceRoot, std::u16string userFolder)
    : resourceRoot_(std::move(resourceRoot)), userFolder_(std::move(userFolder))
{
    handlers_ = {
        {u".zorva-snd", [](CFileHolderGeneric& f) { Forward(&KindHooks::sound, f); }},
        {u".zorva-strm", [](CFileHolderGeneric& f) { Forward(&KindHooks::stream, f); }},
        {u".zorva-db", ReadDatabaseFile},
        {u".zorva-blob", AddBlob},
        {u".zorva-msh", [](CFileHolderGeneric& f) { Forward(&KindHooks::mesh, f); }},
        {u".zorva-tex", [](CFileHolderGeneric& f) { Forward(&KindHooks::texture, f); }},
        {u".zorva-art", AddArt},
        {u".zorva-vsil", [](CFileHolderGeneric& f) { Forward(&KindHooks::vertexShader, f); }},
        {u".zorva-ps", [](CFileHolderGeneric& f) { Forward(&KindHooks::pixelShader, f); }},
    };
}

CFileSearcher::~CFileSearcher()
{
    // Holders and queued runs still point here; the pool outlives the searcher and drains them
    // (quickly once a quit is requested, since it then skips their work).
    while (refs_.load() > 1 || outstanding_.load() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

const KindHandler* CFileSearcher::FindHandler(const std::u16string& extension) const
{
    const auto it = handlers_.find(extension);
    return it != handlers_.end() ? &it->second : nullptr;
}

bool CFileSearcher::ReleaseAfterRun()
{
    // The pool asks this once after each run (or skipped run) of a post: that post is over.
    TaskEnded();
    return false;
}

void CFileSearcher::TaskEnded()
{
    outstanding_.fetch_sub(1);
}

void CFileSearcher::Post()
{
    outstanding_.fetch_add(1);
    // Busy from the moment it is queued, so no one sees the previous stage's done flag.
    done_.store(false);
    Kernel::Singleton().pool->Post(this);
}

void CFileSearcher::WaitUntilDone()
{
    std::unique_lock lock(mutex_);
    // A failure does not signal: look at the flags now and then.
    while (!done_.load() && KeepWorking())
        stageFinished_.wait_for(lock, std::chrono::milliseconds(20));
}

void CFileSearcher::StartStage(std::uint32_t stage)
{
    WaitUntilDone();
    LoadStage.store(stage);
    Post();
}

void CFileSearcher::TakeReference()
{
    refs_.fetch_add(1);
}

void CFileSearcher::GiveBackReference()
{
    if (refs_.fetch_sub(1) - 1 != 1)
        return;
    if (stageFailed_.load())
        return;
    LoadStage.store(CompletedStage(LoadStage.load()));
    {
        std::lock_guard lock(mutex_);
        done_.store(true);
    }
    stageFinished_.notify_one();
}

void CFileSearcher::Run()
{
    const std::u16string root = resourceRoot_.empty() ? GetResourceRoot() : resourceRoot_;
    const std::uint32_t stage = LoadStage.load();
    std::u16string userFolder;
    if (stage == 11)
        userFolder = userFolder_.empty() ? GetUserVersionFolder() : userFolder_;
    std::uint32_t quality = 1;
    if (Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer(); kernel != nullptr && kernel->config)
        quality = kernel->config->current.quality;
    const bool firstContentPass = !g_contentListed.load();
    const StagePlan plan = PlanStage(stage, root, userFolder, quality, LanguageId.load(), firstContentPass);
    if (stage == 6 && firstContentPass)
        g_contentListed.store(true);
    LoadStage.store(plan.loadingStage);

    done_.store(false);
    stageFailed_.store(false);
    TakeReference(); // the listing's own
    try {
        for (const std::u16string& folder : plan.folders) {
            const std::string folder8 = WideToUtf8(folder);
            std::vector<Platform::FolderEntry> entries;
            int readError = 0;
            const int openError = Platform::ListFolder(folder8, entries, readError);
            const bool anyMatch = std::any_of(entries.begin(), entries.end(),
                                              [](const Platform::FolderEntry& e) { return MatchesResourcePattern(e.name); });
            if (openError != 0 || !anyMatch)
                throw Exception::NoDataFound(FoldSystemError(openError != 0 ? openError : ENOENT),
                                             u"Searching resources folders error");
            std::sort(entries.begin(), entries.end(),
                      [](const Platform::FolderEntry& a, const Platform::FolderEntry& b) { return a.name < b.name; });
            for (const Platform::FolderEntry& entry : entries) {
                if (entry.isFolder || !MatchesResourcePattern(entry.name))
                    continue;
                std::u16string name;
                try {
                    name = Utf8ToWide(entry.name);
                } catch (const std::bad_cast&) {
                    continue; // not a name any resource can have
                }
                Kernel::Singleton().pool->Post(
                    new CZorvaFileHolder(this, folder + name, static_cast<std::uint32_t>(entry.size)));
            }
            if (readError != 0)
                throw Exception::NoDataFound(FoldSystemError(readError), u"cannot find files #2");
        }
    } catch (...) {
        stageFailed_.store(true);
        GiveBackReference();
        throw;
    }
    GiveBackReference();
}

CZorvaFileHolder::CZorvaFileHolder(CFileSearcher* owner, std::u16string path, std::uint32_t fileSize)
    : CFileHolderGeneric(std::move(path), fileSize), owner_(owner)
{
    owner_->TakeReference();
}

CZorvaFileHolder::~CZorvaFileHolder()
{
    payload_ = {};
    raw_ = {};
    path_ = {};
    owner_->GiveBackReference();
}

void CZorvaFileHolder::Run()
{
    if (!KeepWorking())
        return;
    try {
        if (const ContainerError error = ReadContainerImage(path_, fileSize_, raw_))
            RaiseContainerError(error);
        const std::u16string extension = GetExtension();
        if (extension != u".zorva-art") {
            DecompressContainer(raw_, payload_);
            raw_ = {};
        }
        if (const KindHandler* handler = owner_->FindHandler(extension))
            (*handler)(*this);
    } catch (...) {
        // A damaged profile goes, so the next start runs without it.
        if (NameKeyBytes(path_) == NameKeyBytes(kProfileName)) {
            try {
                Platform::RemoveFile(WideToUtf8(path_));
            } catch (const std::bad_cast&) {
            }
        }
        throw;
    }
}

} // namespace Zorva::File
