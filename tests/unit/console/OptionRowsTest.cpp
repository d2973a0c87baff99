// The option rows on the real dialog template: the row table, reading a row's selection, the
// recommended choice and the mutual exclusion inside each row; the panel's page on the first tick.
#include "ProductConfig.h"
#include "console/OptionRows.h"
#include "console/SSDDlg.h"
#include "framework/DialogLayout.h"
#include "framework/Text.h"
#include "net/panel/BrowserHost.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{

INT_PTR CALLBACK BareDlgProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

// The main dialog object attached to a window made from its real template, without running the
// start-up sequence (which asks questions and talks to the network).
class TemplateDialog : public CSSDDlg
{
public:
    TemplateDialog()
    {
        CWebBrowser2::RegisterHostClass();
        HWND hwnd =
            ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SSD_DIALOG),
                                 nullptr, &BareDlgProc, 0);
        if (hwnd)
            SubclassWindow(hwnd);
    }
    ~TemplateDialog() override
    {
        if (HWND hwnd = UnsubclassWindow())
            ::DestroyWindow(hwnd);
    }
};

OSVERSIONINFOA g_fakeVersion;
BOOL g_fakeResult = TRUE;
BOOL WINAPI FakeGetVersionExA(OSVERSIONINFOA* info)
{
    if (!g_fakeResult)
        return FALSE;
    DWORD size = info->dwOSVersionInfoSize;
    *info = g_fakeVersion;
    info->dwOSVersionInfoSize = size;
    return TRUE;
}

class VersionSeam : public ::testing::Test
{
protected:
    void SetVersion(DWORD major, DWORD minor, BOOL result = TRUE)
    {
        std::memset(&g_fakeVersion, 0, sizeof(g_fakeVersion));
        g_fakeVersion.dwMajorVersion = major;
        g_fakeVersion.dwMinorVersion = minor;
        g_fakeResult = result;
        g_pfnGetVersionExA = &FakeGetVersionExA;
    }
    void TearDown() override { g_pfnGetVersionExA = &::GetVersionExA; }
};

// Every button's check state, row by row.
std::vector<UINT> AllStates(HWND dlg)
{
    std::vector<UINT> states;
    for (const OptionGroup& row : kOptionRows)
        for (int id = row.firstId; id <= row.lastId; ++id)
            states.push_back(::IsDlgButtonChecked(dlg, id));
    return states;
}

void ExpectRecommended(HWND dlg, bool guiBootRow)
{
    for (const OptionGroup& row : kOptionRows)
    {
        if (row.needsVista && !guiBootRow)
            continue;
        for (int id = row.firstId; id <= row.lastId; ++id)
            EXPECT_EQ(id == row.recommendedId ? BST_CHECKED : BST_UNCHECKED,
                      ::IsDlgButtonChecked(dlg, id))
                << "button " << id;
    }
}

// The browser control stood in for: what its Navigate2 (dispatch id 500) is given, as text.
struct CNavigateRecorder : IDispatch
{
    std::string asked;
    // clang-format off
    STDMETHODIMP QueryInterface(REFIID, void** out) override { return *out = this, S_OK; }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // clang-format on
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        asked = std::to_string(id);
        for (UINT i = params->cArgs; i-- > 0;) // the last argument first, each by reference
        {
            const VARIANT& v = *params->rgvarg[i].pvarVal;
            asked += "|" + (v.vt == VT_BSTR ? fw::WideToAnsi(v.bstrVal, CP_ACP)
                            : v.vt == VT_I4 ? std::to_string(v.lVal)
                                            : "vt" + std::to_string(v.vt));
        }
        return S_OK;
    }
} g_browser;

} // namespace

TEST(OptionRows, TableDescribesNineRowsOfConsecutiveButtons)
{
    const int expectedRecommended[kOptionRowCount] = {
        IDC_VMEM_SYSTEM,   IDC_WSEARCH_OFF, IDC_SYSMAIN_OFF, IDC_TRIM_ON,    IDC_LASTACCESS_OFF,
        IDC_HIBERNATE_OFF, IDC_DEFRAG_OFF,  IDC_POWER_ON,    IDC_GUIBOOT_OFF};
    for (int i = 0; i < kOptionRowCount; ++i)
    {
        const OptionGroup& row = kOptionRows[i];
        EXPECT_LE(row.firstId, row.recommendedId);
        EXPECT_GE(row.lastId, row.recommendedId);
        EXPECT_EQ(expectedRecommended[i], row.recommendedId);
        EXPECT_EQ(row.needsVista, row.firstId == IDC_GUIBOOT_ON);
    }
    std::string markers;
    for (int index : kApplyOrder)
        markers += std::string(kOptionRows[index].marker) + ";";
    EXPECT_EQ("VMem;WSearch;SysMain;trim;Lastfileaccess;power;hib;diskfrag;GUI BOOT;", markers);
}

TEST(OptionRows, SelectionIsTheFirstCheckedButtonOrZero)
{
    TemplateDialog dlg;
    ASSERT_NE(nullptr, dlg.m_hWnd);
    const OptionGroup& vmem = kOptionRows[0];
    EXPECT_EQ(0, GetRowSelection(dlg.m_hWnd, vmem));
    ::CheckDlgButton(dlg.m_hWnd, IDC_VMEM_OFF, BST_CHECKED);
    EXPECT_EQ(IDC_VMEM_OFF, GetRowSelection(dlg.m_hWnd, vmem));
    // Two checked (only possible through direct state changes): the lowest id wins.
    ::CheckDlgButton(dlg.m_hWnd, IDC_VMEM_REDUCED, BST_CHECKED);
    EXPECT_EQ(IDC_VMEM_REDUCED, GetRowSelection(dlg.m_hWnd, vmem));
    // Another row's buttons are not part of this row.
    ::CheckDlgButton(dlg.m_hWnd, IDC_VMEM_REDUCED, BST_UNCHECKED);
    ::CheckDlgButton(dlg.m_hWnd, IDC_VMEM_OFF, BST_UNCHECKED);
    ::CheckDlgButton(dlg.m_hWnd, IDC_WSEARCH_ON, BST_CHECKED);
    EXPECT_EQ(0, GetRowSelection(dlg.m_hWnd, vmem));
}

TEST_F(VersionSeam, VistaIsMajorVersionSixOrLater)
{
    SetVersion(5, 2);
    EXPECT_EQ(0, IsVistaOrLater());
    SetVersion(6, 0);
    EXPECT_EQ(1, IsVistaOrLater());
    SetVersion(6, 3);
    EXPECT_EQ(1, IsVistaOrLater());
    SetVersion(10, 0);
    EXPECT_EQ(1, IsVistaOrLater());
    // A failed query leaves the zeroed structure: not Vista.
    SetVersion(10, 0, FALSE);
    EXPECT_EQ(0, IsVistaOrLater());
}

TEST_F(VersionSeam, RecommendedChoiceRestoresEveryRowAfterUserChanges)
{
    SetVersion(10, 0);
    TemplateDialog dlg;
    ASSERT_NE(nullptr, dlg.m_hWnd);
    ::ShowWindow(dlg.m_hWnd, SW_SHOWNA);
    dlg.ApplyRecommended();
    ExpectRecommended(dlg.m_hWnd, true);

    // The user picks the other buttons of several rows.
    for (int id : {IDC_VMEM_OFF, IDC_WSEARCH_ON, IDC_TRIM_OFF, IDC_POWER_OFF, IDC_GUIBOOT_ON})
        ::SendMessageA(::GetDlgItem(dlg.m_hWnd, id), BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg.m_hWnd, IDC_VMEM_OFF));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dlg.m_hWnd, IDC_VMEM_SYSTEM));

    dlg.ApplyRecommended();
    ExpectRecommended(dlg.m_hWnd, true);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_GUIBOOT_ON)));
}

TEST_F(VersionSeam, BeforeVistaTheGuiBootButtonsAreDisabledAndKeepTheirState)
{
    SetVersion(5, 1);
    TemplateDialog dlg;
    ASSERT_NE(nullptr, dlg.m_hWnd);
    dlg.ApplyRecommended();
    ExpectRecommended(dlg.m_hWnd, false);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_GUIBOOT_ON)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg.m_hWnd, IDC_GUIBOOT_OFF)));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dlg.m_hWnd, IDC_GUIBOOT_ON));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dlg.m_hWnd, IDC_GUIBOOT_OFF));
}

TEST(OptionRows, CheckingAButtonChangesOnlyItsOwnRow)
{
    TemplateDialog dlg;
    ASSERT_NE(nullptr, dlg.m_hWnd);
    ::ShowWindow(dlg.m_hWnd, SW_SHOWNA);
    for (const OptionGroup& row : kOptionRows)
    {
        for (int id = row.firstId; id <= row.lastId; ++id)
        {
            dlg.ApplyRecommended();
            std::vector<UINT> before = AllStates(dlg.m_hWnd);
            ::EnableWindow(::GetDlgItem(dlg.m_hWnd, id), TRUE);
            ::SendMessageA(::GetDlgItem(dlg.m_hWnd, id), BM_CLICK, 0, 0);
            std::vector<UINT> after = AllStates(dlg.m_hWnd);
            size_t index = 0;
            for (const OptionGroup& other : kOptionRows)
            {
                for (int otherId = other.firstId; otherId <= other.lastId; ++otherId, ++index)
                {
                    if (&other != &row)
                        EXPECT_EQ(before[index], after[index])
                            << "click on " << id << " changed " << otherId;
                    else
                        EXPECT_EQ(otherId == id ? BST_CHECKED : BST_UNCHECKED, after[index])
                            << "click on " << id << ", button " << otherId;
                }
            }
        }
    }
}

// The panel's page is loaded on the first tick, neither read from the cache nor written to it
// (navNoReadFromCache | navNoWriteToCache), and nothing else is asked of the browser.
TEST(AdvertisementPanel, TheFirstTickLoadsThePageAroundTheCache)
{
    TemplateDialog dlg;
    ASSERT_NE(nullptr, dlg.m_hWnd);
    CWebBrowser2::s_pfnGetControl = [](HWND, IUnknown** control)
    { return *control = &g_browser, S_OK; };
    ::SendMessageA(dlg.m_hWnd, WM_TIMER, 1, 0);
    CWebBrowser2::s_pfnGetControl = &browserhost::GetControl;
    EXPECT_EQ("500|" + std::string(kAdvertisementUrl) + "|12|vt0|vt0|vt0", g_browser.asked);
}

// At another DPI every control, buttons and radio buttons too, gets the template's font (10
// points) at its 96-DPI height; the display-scale case sees the radio buttons only by their
// rectangles.
TEST(OptionRows, TheLayoutOf96DpiGivesEveryControlTheTemplateFontAtItsHeightThere)
{
    TemplateDialog dlg;
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_SSD_DIALOG), MAKEINTRESOURCEA(5));
    ASSERT_TRUE(dlg.m_hWnd && found);
    const fw::CFontHandle font =
        fw::LayOutAt96Dpi(dlg.m_hWnd, ::LockResource(::LoadResource(nullptr, found)),
                          ::SizeofResource(nullptr, found));
    LOGFONTA face = {};
    ASSERT_TRUE(::GetObjectA(font.Get(), sizeof(face), &face));
    EXPECT_EQ(-13, face.lfHeight);
    for (HWND c = ::GetWindow(dlg.m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (::GetDlgCtrlID(c) != IDC_BROWSER && ::GetDlgCtrlID(c) != IDC_LOGO) // no text
            EXPECT_EQ(font.Get(), reinterpret_cast<HFONT>(::SendMessageA(c, WM_GETFONT, 0, 0)))
                << ::GetDlgCtrlID(c);
}
