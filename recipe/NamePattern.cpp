#include "recipe/NamePattern.h"

#include <vector>

namespace {

enum class Token { Byte, AnyCharacter, AnyInLevel, AnyAcrossLevels, AnyFolders };

struct PatternToken {
    Token kind;
    char byte;
};

std::vector<PatternToken> tokens(const std::string& pattern) {
    std::vector<PatternToken> out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '?') {
            out.push_back({Token::AnyCharacter, 0});
        } else if (c != '*') {
            out.push_back({Token::Byte, c});
        } else if (i + 1 < pattern.size() && pattern[i + 1] == '*') {
            const bool folders = i + 2 < pattern.size() && pattern[i + 2] == '/';
            out.push_back({folders ? Token::AnyFolders : Token::AnyAcrossLevels, 0});
            i += folders ? 2 : 1;
        } else {
            out.push_back({Token::AnyInLevel, 0});
        }
    }
    return out;
}

// The length of the UTF-8 character that starts at `at` (1 for a byte that starts none, so that any bytes match).
size_t characterLength(const std::string& text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > text.size() - at) return 1;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

}  // namespace

bool isNamePattern(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

// Which prefixes of the name the tokens so far match, one token at a time: no backtracking, so a hostile pattern
// costs its length times the name's at most.
bool matchesNamePattern(const std::string& pattern, const std::string& name) {
    const size_t n = name.size();
    std::vector<char> matched(n + 1, 0), next(n + 1, 0);
    matched[0] = 1;
    for (const PatternToken& token : tokens(pattern)) {
        std::fill(next.begin(), next.end(), 0);
        bool earlier = false;  // some shorter prefix matched (for "**/")
        for (size_t j = 0; j <= n; ++j) {
            switch (token.kind) {
                case Token::Byte:
                    if (matched[j] && j < n && name[j] == token.byte) next[j + 1] = 1;
                    break;
                case Token::AnyCharacter:
                    if (matched[j] && j < n && name[j] != '/') next[j + characterLength(name, j)] = 1;
                    break;
                case Token::AnyInLevel:
                    next[j] = matched[j] || (j > 0 && next[j - 1] && name[j - 1] != '/');
                    break;
                case Token::AnyAcrossLevels:
                    next[j] = matched[j] || (j > 0 && next[j - 1]);
                    break;
                case Token::AnyFolders:
                    next[j] = matched[j] || (j > 0 && earlier && name[j - 1] == '/');
                    break;
            }
            earlier = earlier || matched[j];
        }
        matched.swap(next);
    }
    return matched[n] != 0;
}

size_t literalLength(const std::string& pattern) {
    size_t length = 0;
    for (const char c : pattern) length += c != '*' && c != '?';
    return length;
}

std::string patternFolder(const std::string& pattern) {
    const size_t wildcard = pattern.find_first_of("*?");
    if (wildcard == std::string::npos) return pattern;
    const size_t slash = pattern.rfind('/', wildcard);
    return slash == std::string::npos ? std::string() : pattern.substr(0, slash);
}
