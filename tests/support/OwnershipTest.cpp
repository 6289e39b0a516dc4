// Owners of handles, COM objects and secrets: they release what they hold
// on every path, keep GetLastError intact and raise _com_error where the
// COM support promises it.
#include "support/UniqueHandle.h"
#include "support/_com_error.h"
#include "support/cMvSafeArrayAccess.h"
#include "support/cMvSecureString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

TEST(HandleOwner, MoveTransfersAndClosingKeepsTheLastError) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    resetra::UniqueKernelHandle first(raw);
    resetra::UniqueKernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    SetLastError(1234);
    second.reset();
    EXPECT_EQ(GetLastError(), 1234u);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)); // closed
}

TEST(ComSupport, SafeArrayIsUnlockedWhenAnExceptionLeavesTheScope) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 16);
    ASSERT_NE(array, nullptr);
    try {
        resetra::cMvSafeArrayAccess access(array);
        EXPECT_EQ(access.Count(), 16u);
        resetra::ThrowComError(E_FAIL);
    } catch (const resetra::_com_error& error) {
        EXPECT_EQ(error.Error(), E_FAIL);
    }
    EXPECT_EQ(SafeArrayDestroy(array), S_OK); // a locked array would refuse
    EXPECT_THROW(resetra::cMvSafeArrayAccess(nullptr), resetra::_com_error);
}

// The array allocations of this program keep their size in front of the
// block, so that a block can be inspected when it is freed: the only
// well-defined look at a buffer after its owner let go of it.
namespace {
constexpr size_t kBlockHeader = alignof(std::max_align_t);
bool g_watchFrees = false;
int g_freedBlocks = 0;
int g_dirtyBlocks = 0; // freed with a byte that is not zero
} // namespace

void* operator new[](size_t size) {
    void* block = std::malloc(size + kBlockHeader);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(block) = size;
    return static_cast<char*>(block) + kBlockHeader;
}

void operator delete[](void* memory) noexcept {
    if (memory == nullptr) {
        return;
    }
    char* block = static_cast<char*>(memory) - kBlockHeader;
    if (g_watchFrees) {
        const auto* bytes = static_cast<const unsigned char*>(memory);
        const size_t size = *reinterpret_cast<const size_t*>(block);
        ++g_freedBlocks;
        g_dirtyBlocks += std::any_of(bytes, bytes + size, [](unsigned char b) { return b != 0; });
    }
    std::free(block);
}

void operator delete[](void* memory, size_t) noexcept {
    operator delete[](memory);
}

TEST(SecretString, WipesEveryBufferItLetsGoOf) {
    using resetra::cMvSecureString;
    const struct {
        const char* name;
        void (*operation)(cMvSecureString*&);
    } cases[] = {
        {"append that grows",
         [](cMvSecureString*& s) { s->Append(L"-and-a-much-longer-tail", 23); }},
        {"reserve that grows", [](cMvSecureString*& s) { s->Reserve(200); }},
        {"assign", [](cMvSecureString*& s) { s->Assign(L"x"); }},
        {"move assign", [](cMvSecureString*& s) { *s = cMvSecureString(L"y"); }},
        {"destruction", [](cMvSecureString*& s) { delete std::exchange(s, nullptr); }},
    };
    for (const auto& c : cases) {
        auto* secret = new cMvSecureString(L"TopSecret");
        g_freedBlocks = 0;
        g_dirtyBlocks = 0;
        g_watchFrees = true;
        c.operation(secret);
        g_watchFrees = false;
        EXPECT_GE(g_freedBlocks, 1) << c.name;
        EXPECT_EQ(g_dirtyBlocks, 0) << c.name;
        delete secret;
    }
}

TEST(SecretString, GrowsComparesAndClearsInPlace) {
    resetra::cMvSecureString secret(L"Pa55");
    for (int i = 0; i < 100; ++i) {
        secret.Append(L'x');
    }
    EXPECT_EQ(std::wstring(secret.c_str()), L"Pa55" + std::wstring(100, L'x'));
    resetra::cMvSecureString copy = secret;
    EXPECT_TRUE(copy == secret);
    copy.Assign(copy.c_str() + 2, 2); // source inside its own buffer
    EXPECT_STREQ(copy.c_str(), L"55");
    EXPECT_FALSE(copy == secret);
    const wchar_t* buffer = copy.c_str();
    copy.Clear();
    EXPECT_EQ(buffer[0] | buffer[1], L'\0');
}
