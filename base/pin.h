#pragma once

#include <optional>
#include <string>

#include "base/expected.h"

namespace auxpad {

// A person's PIN, kept only as an Argon2id hash (libsodium's crypto_pwhash_str, at its
// interactive limits): the hash of `pin`, or why it cannot be made; whether `pin` is the
// one `hash` was made from. A PIN is 4 to 12 digits.
std::optional<std::string> pinProblem(const std::string& pin);
Expected<std::string, std::string> hashPin(const std::string& pin);
bool pinMatches(const std::string& hash, const std::string& pin);

} // namespace auxpad
