#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/WinApp.h"
#include "tests/framework/test_support.h"

namespace {

const std::wstring kCompanyPath = L"Software\\Velmora";

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
        m_app.SetRegistryKey(L"Velmora");
        m_appPath = kCompanyPath + L"\\" + m_app.m_pszAppName;
        DeleteRegTree(HKEY_CURRENT_USER, m_appPath);
    }
    void TearDown() override { DeleteRegTree(HKEY_CURRENT_USER, m_appPath); }

    // Writes a value of any type behind the framework's back.
    void WriteRaw(const wchar_t* section, const wchar_t* entry, DWORD type, const void* data, DWORD cb)
    {
        HKEY hKey = nullptr;
        const std::wstring path = m_appPath + L"\\" + section;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                                   KEY_WRITE, nullptr, &hKey, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(hKey, entry, 0, type, static_cast<const BYTE*>(data), cb));
        ::RegCloseKey(hKey);
    }

    CWinApp m_app;
    std::wstring m_appPath;
};

}  // namespace

TEST(AppNameTest, IsTheExecutableFileNameWithoutExtension)
{
    EXPECT_STREQ(L"Quillon", AfxAppNameFromModulePath(L"C:\\Program Files\\Velmora\\Quillon.exe"));
    EXPECT_STREQ(L"my.tool", AfxAppNameFromModulePath(L"D:\\a.b\\my.tool.exe"));
    EXPECT_STREQ(L"NoExt", AfxAppNameFromModulePath(L"C:\\bin\\NoExt"));
    EXPECT_STREQ(L"Quillon", AfxAppNameFromModulePath(L"Quillon.exe"));

    CWinApp app;
    app.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
    EXPECT_STREQ(L"framework_tests", app.m_pszAppName);
    EXPECT_STREQ(L"framework_tests", app.m_pszExeName);

    CWinApp named(L"Given");
    named.SetCurrentHandles(::GetModuleHandleW(nullptr), nullptr, SW_SHOWNORMAL);
    EXPECT_STREQ(L"Given", named.m_pszAppName);
    EXPECT_STREQ(L"framework_tests", named.m_pszExeName);
}

TEST(AppObjectTest, NewestApplicationObjectIsCurrentUntilItIsGone)
{
    CWinApp outer;
    EXPECT_EQ(&outer, AfxGetApp());
    {
        CWinApp inner;
        EXPECT_EQ(&inner, AfxGetApp());
        EXPECT_EQ(&inner, AfxGetThread());
    }
    EXPECT_EQ(&outer, AfxGetApp());
}

TEST_F(ProfileTest, StringsAndIntsRoundTripUnderTheFullKeyPath)
{
    const wchar_t* text = L"C:\\Übergröße\\Maß – straße\\";
    EXPECT_TRUE(m_app.WriteProfileStringW(L"BrowseFolders", L"LastDir_", text));
    EXPECT_STREQ(text, m_app.GetProfileStringW(L"BrowseFolders", L"LastDir_", L"default"));

    EXPECT_TRUE(m_app.WriteProfileInt(L"Dialog", L"Left", -1234));
    EXPECT_EQ(-1234, static_cast<int>(m_app.GetProfileIntW(L"Dialog", L"Left", 7)));
    EXPECT_TRUE(m_app.WriteProfileInt(L"Dialog", L"Right", 0x7FFFFFFF));
    EXPECT_EQ(0x7FFFFFFF, static_cast<int>(m_app.GetProfileIntW(L"Dialog", L"Right", 7)));

    // Written where another program (or regedit) would look for it.
    std::wstring raw;
    ASSERT_TRUE(ReadRegString(HKEY_CURRENT_USER, L"Software\\Velmora\\framework_tests\\BrowseFolders",
                              L"LastDir_", &raw));
    EXPECT_EQ(std::wstring(text), raw);
}

TEST_F(ProfileTest, EmptyStringIsAValueNotAMissingOne)
{
    EXPECT_TRUE(m_app.WriteProfileStringW(L"S", L"Empty", L""));
    EXPECT_STREQ(L"", m_app.GetProfileStringW(L"S", L"Empty", L"default"));
}

TEST_F(ProfileTest, MissingValuesReadAsTheCallersDefault)
{
    EXPECT_STREQ(L"fallback", m_app.GetProfileStringW(L"Nowhere", L"Nothing", L"fallback"));
    EXPECT_STREQ(L"", m_app.GetProfileStringW(L"Nowhere", L"Nothing"));
    EXPECT_EQ(-5, static_cast<int>(m_app.GetProfileIntW(L"Nowhere", L"Nothing", -5)));
    EXPECT_EQ(0u, m_app.GetProfileIntW(L"Nowhere", L"Nothing", 0));
}

TEST_F(ProfileTest, WronglyTypedOrMalformedValuesReadAsTheDefault)
{
    const wchar_t text[] = L"123";
    WriteRaw(L"S", L"IntAsString", REG_SZ, text, sizeof(text));
    EXPECT_EQ(99u, m_app.GetProfileIntW(L"S", L"IntAsString", 99));

    const DWORD number = 5;
    WriteRaw(L"S", L"StringAsInt", REG_DWORD, &number, sizeof(number));
    EXPECT_STREQ(L"def", m_app.GetProfileStringW(L"S", L"StringAsInt", L"def"));

    const BYTE twoBytes[2] = {1, 2};
    WriteRaw(L"S", L"ShortBinary", REG_BINARY, twoBytes, sizeof(twoBytes));
    EXPECT_EQ(42u, m_app.GetProfileIntW(L"S", L"ShortBinary", 42));

    const ULONGLONG wide = 0x1122334455667788ULL;
    WriteRaw(L"S", L"QWord", REG_QWORD, &wide, sizeof(wide));
    EXPECT_EQ(42u, m_app.GetProfileIntW(L"S", L"QWord", 42));
    EXPECT_STREQ(L"def", m_app.GetProfileStringW(L"S", L"QWord", L"def"));
}

TEST_F(ProfileTest, UnterminatedOrOddSizedStringsAreReadSafely)
{
    // Three characters without a terminator, then a string of odd byte length.
    const wchar_t abc[3] = {L'a', L'b', L'c'};
    WriteRaw(L"S", L"NoTerminator", REG_SZ, abc, sizeof(abc));
    EXPECT_STREQ(L"abc", m_app.GetProfileStringW(L"S", L"NoTerminator", L"def"));

    const wchar_t xy[2] = {L'x', L'y'};
    WriteRaw(L"S", L"OddLength", REG_SZ, xy, 3);
    EXPECT_STREQ(L"x", m_app.GetProfileStringW(L"S", L"OddLength", L"def"));

    std::wstring longText(5000, L'ä');
    EXPECT_TRUE(m_app.WriteProfileStringW(L"S", L"Long", longText.c_str()));
    EXPECT_EQ(longText, std::wstring(m_app.GetProfileStringW(L"S", L"Long", L"def")));
}

TEST_F(ProfileTest, StringEndsAtItsFirstNul)
{
    const wchar_t embedded[] = L"C:\\A\0mehr";
    const wchar_t leading[] = L"\0Rest";
    const struct
    {
        const wchar_t* entry;
        const wchar_t* data;
        DWORD cb;
        const wchar_t* expected;
    } cases[] = {
        {L"Embedded", embedded, sizeof(embedded), L"C:\\A"},
        {L"Leading", leading, sizeof(leading), L""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.entry);
        WriteRaw(L"S", c.entry, REG_SZ, c.data, c.cb);
        const CString value = m_app.GetProfileStringW(L"S", c.entry, L"def");
        EXPECT_EQ(static_cast<int>(wcslen(c.expected)), value.GetLength());
        EXPECT_TRUE(value == c.expected);
        EXPECT_TRUE(value + L"\\x" == CString(c.expected) + L"\\x");
    }
}

TEST_F(ProfileTest, NullValueDeletesTheEntryAndNullEntryTheSection)
{
    ASSERT_TRUE(m_app.WriteProfileStringW(L"Gone", L"A", L"1"));
    ASSERT_TRUE(m_app.WriteProfileStringW(L"Gone", L"B", L"2"));
    EXPECT_TRUE(m_app.WriteProfileStringW(L"Gone", L"A", nullptr));
    EXPECT_STREQ(L"-", m_app.GetProfileStringW(L"Gone", L"A", L"-"));
    EXPECT_STREQ(L"2", m_app.GetProfileStringW(L"Gone", L"B", L"-"));

    EXPECT_TRUE(m_app.WriteProfileStringW(L"Gone", nullptr, nullptr));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, m_appPath + L"\\Gone"));
    EXPECT_STREQ(L"-", m_app.GetProfileStringW(L"Gone", L"B", L"-"));
}

TEST(ProfileFallbackTest, WithoutRegistryKeyNothingIsStoredAndDefaultsAreRead)
{
    CWinApp app(L"QuillonNoKeyTest");
    EXPECT_FALSE(app.WriteProfileInt(L"Dialog", L"Left", 5));
    EXPECT_EQ(11u, app.GetProfileIntW(L"Dialog", L"Left", 11));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, L"Software\\QuillonNoKeyTest"));
}

TEST(ProfileFallbackTest, KeyThatCannotBeCreatedLeavesDefaults)
{
    // Registry key names are limited to 255 characters.
    const std::wstring tooLong(300, L'q');
    CWinApp app(tooLong.c_str());
    app.SetRegistryKey(L"Velmora");
    EXPECT_EQ(nullptr, app.GetAppRegistryKey());
    EXPECT_FALSE(app.WriteProfileInt(L"Dialog", L"Left", 5));
    EXPECT_FALSE(app.WriteProfileStringW(L"Dialog", L"Name", L"x"));
    EXPECT_EQ(17u, app.GetProfileIntW(L"Dialog", L"Left", 17));
    EXPECT_STREQ(L"keep", app.GetProfileStringW(L"Dialog", L"Name", L"keep"));
}

TEST(ProfileRenameTest, RenamedExecutableUsesAKeyOfItsOwnName)
{
    wchar_t tempDir[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, tempDir));
    const std::wstring name = L"QuillonRenamed" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring copy = std::wstring(tempDir) + name + L".exe";
    ASSERT_TRUE(::CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE));

    std::wstring cmd = L"\"" + copy + L"\" --child-write-profile Dialog Marker renamed-run";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessW(copy.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 30000));
    DWORD exitCode = 99;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::DeleteFileW(copy.c_str());
    EXPECT_EQ(0u, exitCode);

    std::wstring value;
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kCompanyPath + L"\\" + name + L"\\Dialog", L"Marker", &value));
    EXPECT_EQ(L"renamed-run", value);
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kCompanyPath + L"\\framework_tests\\Dialog", L"Marker", &value));
    DeleteRegTree(HKEY_CURRENT_USER, kCompanyPath + L"\\" + name);
}

TEST(RestartManagerTest, RestartSupportRegistersWhereTheSystemOffersIt)
{
    HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
    const bool bAvailable = ::GetProcAddress(hKernel, "RegisterApplicationRestart") != nullptr;

    CWinApp plain;
    plain.InitInstance();
    EXPECT_FALSE(plain.IsRegisteredForRestart());

    CWinApp app;
    app.m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
    EXPECT_TRUE(app.InitInstance());
    if (!bAvailable)
        GTEST_SKIP() << "this system has no restart manager (RegisterApplicationRestart missing)";
    EXPECT_TRUE(app.IsRegisteredForRestart());
}
