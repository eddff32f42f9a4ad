#include "inputs/Animations.h"

#include <map>
#include <set>
#include <unordered_set>

#include "base/ShiftJis.h"

namespace {

constexpr int32_t kMaxFrameNumber = INT32_MAX;

// True when the character before `end` is a single-byte one: '_' may also be the second byte of a double-byte
// character, so the text is walked from its start.
bool endsInSingleByte(const std::string& text, size_t end) {
    size_t i = 0, last = 0;
    while (i < end) {
        last = i;
        i += isLeadByte(static_cast<uint8_t>(text[i])) ? 2 : 1;
    }
    return end > 0 && i == end && end - last == 1;
}

}  // namespace

bool splitFrameNumber(const std::string& name, std::string& base, int32_t& number) {
    size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
    if (start == name.size()) return false;
    int64_t value = 0;
    for (size_t i = start; i < name.size(); ++i) {
        value = value * 10 + (name[i] - '0');
        if (value > kMaxFrameNumber) return false;
    }
    size_t end = start;
    const char before = end > 0 ? name[end - 1] : '\0';
    if ((before == '_' || before == '-' || before == '.') && endsInSingleByte(name, end)) --end;
    if (end > 0 && name[end - 1] == '/') --end;
    if (end == 0) return false;
    base = name.substr(0, end);
    number = static_cast<int32_t>(value);
    return true;
}

void findAnimations(std::vector<Sprite>& sprites, int32_t fps) {
    std::unordered_set<std::string> names;
    for (const Sprite& sprite : sprites) names.insert(sprite.name);
    // Each base with its sprites and their numbers; a std::map keeps the work in one order on every platform.
    std::map<std::string, std::vector<std::pair<int32_t, size_t>>> sets;
    for (size_t i = 0; i < sprites.size(); ++i) {
        std::string base;
        int32_t number = 0;
        if (splitFrameNumber(sprites[i].name, base, number)) sets[base].emplace_back(number, i);
    }
    for (const auto& [base, frames] : sets) {
        std::set<int32_t> numbers;
        for (const auto& frame : frames) numbers.insert(frame.first);
        if (frames.size() < 2 || numbers.size() < frames.size() || names.count(base) != 0) continue;
        for (const auto& [number, i] : frames) {
            sprites[i].animation = base;
            sprites[i].animationFrame = number;
            sprites[i].animationFps = fps;
        }
    }
}
