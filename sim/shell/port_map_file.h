#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace auxsim {

// Our line in the port map file, put in on construction and taken out again
// by restore() or the destructor, whichever comes first.
class PortMapEntry {
public:
    // $XDG_CONFIG_HOME/auxpad-flash/ports.conf, or ~/.config/auxpad-flash/ports.conf.
    static std::filesystem::path defaultFile();

    // Creates the folder if needed; throws std::runtime_error when the file
    // cannot be written.
    PortMapEntry(std::filesystem::path file, int comNumber, std::string devicePath);
    ~PortMapEntry();
    PortMapEntry(const PortMapEntry &) = delete;
    PortMapEntry &operator=(const PortMapEntry &) = delete;

    // Returns a line for the log describing what was done.
    std::string restore();

    const std::string &key() const { return key_; }
    const std::filesystem::path &file() const { return file_; }

private:
    std::filesystem::path file_;
    std::string key_;
    std::string value_;
    std::optional<std::string> previousLine_;
    bool restored_ = false;
};

} // namespace auxsim
