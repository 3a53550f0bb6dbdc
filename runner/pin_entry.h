#pragma once

#include <QString>

#include <string>

#include "base/expected.h"
#include "records/signatures.h"

namespace auxpad {

// Where a person's PIN comes from: the file descriptor that AUXPAD_FLASH_PIN_FD names,
// one line of it, for a script; else this process's terminal, with its echo off. Never
// an argument or the environment, which other users and the shell's history can read.
enum class PinAsk { Once, Twice }; // Twice: typed again, to be sure of a new one
Expected<std::string, QString> enterPin(const QString& prompt, PinAsk ask = PinAsk::Once);

// A signer's PIN, asked for by their name and badge as enterPin asks.
PinSource pinOfSigner();

// Why a PIN cannot be taken the way it was given: in AUXPAD_FLASH_PIN, or with a --pin
// option (`pinOptionGiven`); "" when it was not.
QString refusedPin(bool pinOptionGiven);

} // namespace auxpad
