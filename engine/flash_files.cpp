#include "engine/flash_files.h"

#include "engine/texts.h"

namespace auxpad {

std::string fileName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string cannotRead(const std::string& name, const std::string& reason)
{
    return "Cannot read " + name + ": " + reason;
}

std::optional<std::string> notApproved(const std::string& path, const FileDigest& digest, const std::string& approved)
{
    if (approved.empty() || digest.sha256 == approved)
        return std::nullopt;
    return fileName(path) + text::kNotApproved + digest.sha256;
}

Expected<std::array<FileFacts, 2>, FlashFileProblem>
examineFlashFiles(TextFiles& files, const FlashFiles& flash,
                  const std::function<void(std::size_t, const std::string&)>& examining)
{
    using Kind = FlashFileProblem::Kind;
    const std::string* paths[2] = {&flash.initDisk, &flash.initData};
    const std::string* approved[2] = {&flash.initDiskSha256, &flash.initDataSha256};
    const char* choose[2] = {text::kSelectInitDisk, text::kSelectInitData};
    for (std::size_t i = 0; i < 2; ++i) {
        if (paths[i]->empty())
            return unexpected(FlashFileProblem{Kind::NotChosen, choose[i]});
    }
    std::array<FileFacts, 2> facts;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string name = fileName(*paths[i]);
        if (examining)
            examining(i, name);
        auto counted = examineFile(files, *paths[i]);
        if (!counted)
            return unexpected(FlashFileProblem{Kind::CannotRead, cannotRead(name, counted.error())});
        if (auto wrong = notApproved(*paths[i], counted->digest, *approved[i]))
            return unexpected(FlashFileProblem{Kind::NotApproved, std::move(*wrong)});
        facts[i] = std::move(*counted);
    }
    if (facts[0].lines > facts[1].lines)
        return unexpected(FlashFileProblem{Kind::WrongOrder, text::kWrongFiles});
    return facts;
}

} // namespace auxpad
