// The hidden names new files are written under beside their targets.
#include "engine/files/temporary_names.h"

#include <algorithm>
#include <random>

namespace engine {
namespace {

constexpr std::string_view TemporaryMark = ".part-";
constexpr std::size_t RandomCharacters = 6;
constexpr std::string_view Alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// Bytes of the target's name kept in the temporary's, which leaves room below the usual limit of 255.
constexpr std::size_t KeptNameBytes = 100;

}  // namespace

std::string temporaryPathFor(std::string_view folder, std::string_view targetName)
{
    std::size_t kept = std::min(targetName.size(), KeptNameBytes);
    while (kept > 0 && kept < targetName.size() && (static_cast<unsigned char>(targetName[kept]) & 0xC0) == 0x80)
        --kept;
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, Alphabet.size() - 1);
    std::string path = std::string(folder) + '.' + std::string(targetName.substr(0, kept)) + std::string(TemporaryMark);
    for (std::size_t i = 0; i < RandomCharacters; ++i) path += Alphabet[pick(random)];
    return path;
}

bool isTemporaryName(std::string_view name)
{
    constexpr std::size_t tail = TemporaryMark.size() + RandomCharacters;
    if (name.size() < 2 + tail || name.front() != '.') return false;
    const std::string_view random = name.substr(name.size() - RandomCharacters);
    return name.substr(name.size() - tail, TemporaryMark.size()) == TemporaryMark
           && random.find_first_not_of(Alphabet) == std::string_view::npos;
}

}  // namespace engine
