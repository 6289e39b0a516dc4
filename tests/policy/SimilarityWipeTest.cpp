// Checks that the similarity search leaves no copy of the compared strings in
// freed heap: while it runs, every block handed back to operator delete is
// searched for the password's text (as typed and lower-cased). Exits 1 and
// names the case when a block still holds it.
#include "policy/DirectedSimilarity.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <malloc.h>
#include <new>
#include <string>

namespace {

// A marker of lower-case letters and digits with characters beyond 255, so
// that the lower-cased copies and the table of large characters hold it.
const char16_t kMarker[] = u"qz7\u0436x\u0434w3";
const size_t kMarkerBytes = sizeof(kMarker) - sizeof(char16_t);

bool g_watching = false;
int g_unwiped = 0;

void Inspect(void* block) {
    if (!g_watching || block == nullptr) {
        return;
    }
    const size_t size = malloc_usable_size(block);
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i + kMarkerBytes <= size; ++i) {
        if (std::memcmp(bytes + i, kMarker, kMarkerBytes) == 0) {
            ++g_unwiped;
            return;
        }
    }
}

char16_t Lower(char16_t ch) {
    return static_cast<char16_t>(towlower(static_cast<wint_t>(ch)));
}

} // namespace

void operator delete(void* block) noexcept {
    Inspect(block);
    std::free(block);
}

void operator delete(void* block, size_t) noexcept {
    Inspect(block);
    std::free(block);
}

int main() {
    const std::u16string marker(kMarker);
    std::u16string upper;
    for (const char16_t ch : marker) {
        upper.push_back(ch < 0x80 ? static_cast<char16_t>(std::toupper(ch)) : ch);
    }
    const std::u16string password = u"Ab" + upper + u"9!" + marker;
    const std::u16string similar = password + u"#";
    const std::u16string other(300, u'k');
    int failures = 0;
    for (const bool lowerCase : {false, true}) {
        for (const std::u16string* text : {&similar, &other}) {
            g_watching = true;
            const double directed = resetra::similarity::DirectedSimilarity(
                text->c_str(), password.c_str(), 0.5, lowerCase, Lower);
            const double pair = resetra::similarity::PairSimilarity(password.c_str(), text->c_str(),
                                                                    0.5, lowerCase, Lower);
            g_watching = false;
            if (g_unwiped != 0) {
                std::printf("lowerCase %d, %s text: %d freed blocks still hold the password "
                            "(similarity %g, pair %g)\n",
                            lowerCase ? 1 : 0, text == &similar ? "similar" : "other", g_unwiped,
                            directed, pair);
                ++failures;
                g_unwiped = 0;
            }
        }
    }
    if (failures == 0) {
        std::printf("no freed block held the password\n");
    }
    return failures == 0 ? 0 : 1;
}
