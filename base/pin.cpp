#include "base/pin.h"

#include <sodium.h>

#include <algorithm>

namespace auxpad {

namespace {

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

std::optional<std::string> pinProblem(const std::string& pin)
{
    const bool digits = std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || pin.size() < 4 || pin.size() > 12)
        return "a PIN is 4 to 12 digits";
    return std::nullopt;
}

Expected<std::string, std::string> hashPin(const std::string& pin)
{
    if (const auto problem = pinProblem(pin))
        return unexpected(*problem);
    if (!sodiumReady())
        return unexpected(std::string("libsodium cannot start"));
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, pin.data(), pin.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return unexpected(std::string("the PIN's hash could not be made: out of memory"));
    return std::string(hash);
}

bool pinMatches(const std::string& hash, const std::string& pin)
{
    return sodiumReady() && !hash.empty() && crypto_pwhash_str_verify(hash.c_str(), pin.data(), pin.size()) == 0;
}

} // namespace auxpad
