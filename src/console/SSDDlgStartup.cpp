// The main dialog's start-up: everything between the creation of its window and the moment the
// user first sees it. Every question of the start-up is asked before the window shows.
#include "SSDDlg.h"

#include "ProductText.h"

#include "OptionRows.h"
#include "ProductConfig.h"
#include "UpdateDecision.h"
#include "framework/Text.h"
#include "net/http/HttpTextClient.h"
#include "net/http/InternetState.h"
#include "resource.h"
#include "sysconfig/Launch.h"

#include <vector>

namespace
{
const char kAhciOnText[] = "AHCI 모드 활성화 상태입니다.";
const char kAhciOffText[] = "AHCI 모드 비활성화 상태입니다.";
const char kNoSsdText[] =
    "현재 컴퓨터에서 SSD로 보이는 디스크를 찾을 수 없습니다. \n\nSSD지만 장치명에 SSD문자열이 "
    "포함되지 않은 디스크는 이 메세지가 나올 수 있습니다. SSD라면 메세지와 상관없이 최적화하면 "
    "됩니다.\n\nSSD가 설치되지 않았으면 프로그램을 종료하세요.\n프로그램을 종료하겠습니까?";
const char kUpdateCaption[] = "업데이트 확인";
const char kUpdateText[] = "Pellix SSD 최적화 새 버전이 있습니다.\n현재 실행을 중단하고 다운로드 "
                           "페이지로 이동하려면 확인을 누르십시요. ";
// The check runs before the window first shows: a server that never answers must not keep the
// user waiting for minutes with nothing on the screen.
const DWORD kUpdateTimeoutMs = 5000;
const COLORREF kAhciOnColor = 0xFA0000;
const COLORREF kAhciOffColor = 0x0000FA;
const COLORREF kLinkColor = 0xFF0000;
const COLORREF kTitleColor = 0xFFFFFF;
const COLORREF kTransparentRed = 0x0000FF;
const char kLogoName[] = "Pellix SSD 최적화 로고";

// Appends a control's text without its terminator and the blanks it may end with.
void AppendTextOf(HWND hwnd, fw::WideText& out)
{
    fw::WideText text = fw::WindowText(hwnd);
    text.pop_back();
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    out.insert(out.end(), text.begin(), text.end());
}
} // namespace

BOOL CSSDDlg::OnInitDialog()
{
    fw::CDialog::OnInitDialog();

    AddAboutMenuEntry();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    LayOutWindow();
    StyleButtons();
    g_pMainDlg = this;
    ShowAhciState();
    StyleLabels();
    ApplyRecommended();
    CheckForSsd();
    CheckForUpdate();
    NameControls();
    CenterWindow();
    ::SetTimer(m_hWnd, 1, 200, nullptr);
    // A focus rectangle shows only once the keyboard is used, unless the user asked to see them
    // always.
    BOOL cues = FALSE;
    m_bKeyboardUsed = ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0) && cues;
    // The focus starts on the apply button, wherever it stands in the order of Tab.
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_btnApply.m_hWnd), TRUE);
    return FALSE;
}

void CSSDDlg::NameControls()
{
    // A radio button alone says only "사용 안함": it is heard with its row, "Windows Search:
    // 사용 안함". What is drawn stays as it is.
    m_rowButtons.clear();
    for (const OptionGroup& row : kOptionRows)
    {
        for (int id = row.firstId; id <= row.lastId; ++id)
        {
            auto button = std::make_unique<fw::CNamedControl>();
            fw::WideText& name = button->m_facts.name;
            AppendTextOf(GetDlgItem(row.captionId), name);
            name.push_back(L':');
            name.push_back(L' ');
            AppendTextOf(GetDlgItem(id), name);
            name.push_back(L'\0');
            if (button->SubclassDlgItem(static_cast<UINT>(id), this))
                m_rowButtons.push_back(std::move(button));
        }
    }
    // The picture's own text is its resource number.
    m_picLogo.m_facts.name = fw::Wide(kLogoName);
}

void CSSDDlg::AddAboutMenuEntry()
{
    HMENU sysMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!sysMenu)
        return;
    // Taken from the string table as the UTF-16 it is stored in, never through a code page.
    wchar_t text[256] = {};
    if (::LoadStringW(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, 256) > 0 && text[0])
    {
        ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, text);
    }
}

void CSSDDlg::LayOutWindow()
{
    ::MoveWindow(m_hWnd, 0, 0, 660, 652, TRUE);
    ::SetWindowTextW(m_hWnd, fw::Wide(kProductName).data());

    m_picLogo.MoveWindow(5, 7, 36, 36);
    m_browser.MoveWindow(538, 51, 120, 600);
    m_lblTitle.MoveWindow(50, 15, 300, 25);
    m_lblTitle.SetForeColor(kTitleColor);
    m_lblTitle.SetBold(TRUE);
    m_lblTitle.SetCharHeight(20);
    m_lblTitle.SetFaceName("돋움");
    m_lblTitle.SetHighContrastColor(COLOR_CAPTIONTEXT);
    m_lnkBlog.MoveWindow(130, 612, 200, 12);
}

void CSSDDlg::StyleButtons()
{
    struct Face
    {
        CButtonST* button;
        int x, y, cx, cy;
        UINT hover, normal;
        // What the picture says, for a screen reader: the button draws its pictures only, so
        // the text shows nowhere else.
        const char* name;
        // Its face in high-contrast mode: its text (0) or the system's caption glyph.
        UINT highContrastGlyph;
    };
    const Face faces[] = {
        {&m_btnApply, 330, 592, 180, 40, IDB_APPLY_HOVER, IDB_APPLY_NORMAL, "최적화 하기", 0},
        {&m_btnMinimize, 605, 15, 20, 20, IDB_MINIMIZE_HOVER, IDB_MINIMIZE_NORMAL, "최소화",
         DFCS_CAPTIONMIN},
        {&m_btnClose, 630, 15, 20, 20, IDB_CLOSE_HOVER, IDB_CLOSE_NORMAL, "닫기",
         DFCS_CAPTIONCLOSE},
    };
    for (const Face& f : faces)
    {
        ::SetWindowTextW(f.button->m_hWnd, fw::Wide(f.name).data());
        f.button->MoveWindow(f.x, f.y, f.cx, f.cy);
        f.button->SetImages(f.hover, kTransparentRed, f.normal, kTransparentRed);
        f.button->UseParentBackground(FALSE);
        f.button->SetPressedLook(TRUE);
        f.button->SetPressedShift(0, FALSE);
        f.button->SetHighContrastGlyph(f.highContrastGlyph);
        f.button->ShowWindow(SW_SHOW);
        if (f.button == &m_btnApply)
            f.button->EnableWindow(TRUE);
    }
}

void CSSDDlg::ShowAhciState()
{
    if (m_optimizer.IsAhciMode() == 1)
    {
        m_lblAhciState.SetForeColor(kAhciOnColor);
        ::SetWindowTextW(m_lblAhciState.m_hWnd, fw::Wide(kAhciOnText).data());
    }
    else
    {
        m_lblAhciState.SetForeColor(kAhciOffColor);
        ::SetWindowTextW(m_lblAhciState.m_hWnd, fw::Wide(kAhciOffText).data());
    }
}

void CSSDDlg::StyleLabels()
{
    CLabel* bold[] = {&m_lblAhciState, &m_lblVirtualMemory, &m_lblWindowsSearch, &m_lblSuperfetch,
                      &m_lblAutoTrim,  &m_lblLastAccess,    &m_lblHibernation,   &m_lblDefrag};
    for (CLabel* label : bold)
        label->SetBold(TRUE);

    CLabel* links[] = {&m_lnkAhciSearch, &m_lnkPowerOptions, &m_lnkBlog, &m_lnkRecommended};
    for (CLabel* link : links)
    {
        link->SetClickable(TRUE)
            .SetForeColor(kLinkColor)
            .SetUnderline(TRUE)
            .SetHoverCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));
    }

    m_lnkRecommended.SetBold(TRUE);
    m_lnkRecommended.SetCharHeight(13);
    m_lblGuiBoot.SetBold(TRUE);
}

void CSSDDlg::CheckForSsd()
{
    std::string model = FindSsdModel();
    // The model text comes from the disk: it fills the %s, it is never part of the format.
    std::string text = FormatSsdFound(model);
    if (model.empty())
    {
        if (::MessageBoxW(m_hWnd, fw::Wide(kNoSsdText).data(), fw::Wide(kProductName).data(),
                          MB_YESNO | MB_ICONINFORMATION) == IDYES)
            ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    ::MessageBoxW(m_hWnd, fw::Wide(text.c_str()).data(), fw::Wide(kProductName).data(),
                  MB_OK | MB_ICONINFORMATION);
}

void CSSDDlg::CheckForUpdate()
{
    if (!IsInternetConnected())
        return;
    std::string version;
    CHttpTextClient client;
    if (client.DownloadTextWithin(kUpdateUrl, version, kUpdateTimeoutMs) == 1 &&
        IsNewerVersion(version))
    {
        if (::MessageBoxW(m_hWnd, fw::Wide(kUpdateText).data(), fw::Wide(kUpdateCaption).data(),
                          MB_OKCANCEL | MB_ICONINFORMATION) == IDOK)
        {
            OpenForUser(nullptr, kBlogUrl, nullptr);
            ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        }
    }
}
