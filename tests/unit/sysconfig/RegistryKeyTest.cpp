// CRegistryKey against the real registry: a scratch key under HKLM\Software, made and removed by
// the fixture.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstring>
#include <string>

#include "TestSupport.h"
#include "sysconfig/RegistryKey.h"

using namespace sysconfig_test;

namespace
{

class RegistryKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = "Software\\DadarorTest\\RegistryKey" + std::to_string(::GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr,
                                                   0, KEY_ALL_ACCESS, nullptr, &m_raw, nullptr));
    }
    void TearDown() override
    {
        ::RegCloseKey(m_raw);
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_path.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_path.c_str());
    }
    void Put(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExA(m_raw, name, 0, type, static_cast<const BYTE*>(data), size));
    }
    RawValue Get(const char* name) { return ReadRaw(HKEY_LOCAL_MACHINE, m_path.c_str(), name); }

    std::string m_path;
    HKEY m_raw = nullptr;
};

// A buffer prefilled with a sentinel, to see whether a query touched it.
struct SentinelBuffer
{
    char bytes[8196];
    SentinelBuffer() { std::memset(bytes, 0xAB, sizeof(bytes)); }
    bool Untouched() const
    {
        for (char c : bytes)
            if (static_cast<unsigned char>(c) != 0xAB)
                return false;
        return true;
    }
};

TEST_F(RegistryKeyTest, OpenAndCloseHoldOneKeyAtATime)
{
    CRegistryKey key;
    EXPECT_FALSE(key.IsOpen());
    key.Close(); // nothing held: nothing to release

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_LOCAL_MACHINE, (m_path + "\\Missing").c_str()));
    EXPECT_FALSE(key.IsOpen());

    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, m_path.c_str()));
    EXPECT_TRUE(key.IsOpen());
    // A second Open without Close moves to the new key.
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control"));
    EXPECT_TRUE(key.IsOpen());
    key.Close();
    EXPECT_FALSE(key.IsOpen());
    key.Close();
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryKeyTest, WritesTheDocumentedLayouts)
{
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, m_path.c_str()));

    EXPECT_EQ(ERROR_SUCCESS, key.SetDWordValue("Number", 0x12345678));
    RawValue number = Get("Number");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), number.type);
    ASSERT_EQ(4u, number.data.size());
    DWORD stored = 0;
    std::memcpy(&stored, number.data.data(), 4);
    EXPECT_EQ(0x12345678u, stored);

    // A well-formed list of one string: 19 characters, their NUL and the list's NUL, 21 bytes.
    const char text[] = "C:\\pagefile.sys 0 0";
    ASSERT_EQ(19u, std::strlen(text));
    EXPECT_EQ(ERROR_SUCCESS, key.SetMultiStringValue("List", text));
    RawValue list = Get("List");
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), list.type);
    EXPECT_EQ(std::string(text, sizeof(text)) + '\0',
              std::string(list.data.begin(), list.data.end()));

    // The empty text is the empty list: two NUL bytes.
    EXPECT_EQ(ERROR_SUCCESS, key.SetMultiStringValue("Empty", ""));
    RawValue empty = Get("Empty");
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), empty.type);
    EXPECT_EQ(std::string(2, '\0'), std::string(empty.data.begin(), empty.data.end()));

    // Status codes come back unchanged: no key held.
    CRegistryKey closed;
    EXPECT_EQ(ERROR_INVALID_HANDLE, closed.SetDWordValue("Number", 1));
}

TEST_F(RegistryKeyTest, QueryDWordValueWritesTheOutputOnlyOnSuccess)
{
    const DWORD seven = 7;
    Put("Seven", REG_DWORD, &seven, sizeof(seven));
    const char eightBytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Put("Wide", REG_BINARY, eightBytes, sizeof(eightBytes));

    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, m_path.c_str()));
    DWORD value = 0xdeadbeef;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryDWordValue("Seven", value));
    EXPECT_EQ(7u, value);

    value = 0xdeadbeef;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryDWordValue("Missing", value));
    EXPECT_EQ(0xdeadbeefu, value);
    EXPECT_EQ(ERROR_MORE_DATA, key.QueryDWordValue("Wide", value));
    EXPECT_EQ(0xdeadbeefu, value);
}

TEST_F(RegistryKeyTest, QueryStringValueReadsAtMost520Bytes)
{
    const std::string fits(519, 'x');    // + NUL = 520 bytes
    const std::string tooLong(520, 'y'); // + NUL = 521 bytes
    Put("Fits", REG_SZ, fits.c_str(), 520);
    Put("TooLong", REG_SZ, tooLong.c_str(), 521);

    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, m_path.c_str()));
    SentinelBuffer buffer;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryStringValue("Fits", buffer.bytes));
    EXPECT_EQ(fits, std::string(buffer.bytes));
    // The copy stops at the NUL.
    EXPECT_EQ(static_cast<char>(0xAB), buffer.bytes[520]);

    SentinelBuffer untouched;
    EXPECT_EQ(ERROR_MORE_DATA, key.QueryStringValue("TooLong", untouched.bytes));
    EXPECT_TRUE(untouched.Untouched());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryStringValue("Missing", untouched.bytes));
    EXPECT_TRUE(untouched.Untouched());
}

TEST_F(RegistryKeyTest, QueryStringValueTreatsTheLastByteAsTheEnd)
{
    // Stored without its NUL: the last character is lost.
    Put("NoNul", REG_BINARY, "abcdef", 6);
    Put("WithNul", REG_SZ, "abcdef", 7);
    const char list[] = "first\0second\0";
    Put("List", REG_MULTI_SZ, list, sizeof(list));
    const DWORD number = 0x00434241; // "ABC\0", stored as a number
    Put("Number", REG_DWORD, &number, sizeof(number));

    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, m_path.c_str()));
    char buffer[520];
    ASSERT_EQ(ERROR_SUCCESS, key.QueryStringValue("NoNul", buffer));
    EXPECT_STREQ("abcde", buffer);
    ASSERT_EQ(ERROR_SUCCESS, key.QueryStringValue("WithNul", buffer));
    EXPECT_STREQ("abcdef", buffer);
    // A list yields its first string; the type is not checked.
    ASSERT_EQ(ERROR_SUCCESS, key.QueryStringValue("List", buffer));
    EXPECT_STREQ("first", buffer);
    ASSERT_EQ(ERROR_SUCCESS, key.QueryStringValue("Number", buffer));
    EXPECT_STREQ("ABC", buffer);
}

} // namespace
