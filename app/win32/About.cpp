#include "app/win32/About.h"

#include "app/win32/JpegResource.h"
#include "app/win32/resource.h"
#include "common/win32/FormDialogProc.h"
#include "common/win32/WinText.h"
#include "settings/Settings.h"

#include <string>

namespace quill {
namespace {

constexpr char kAboutText[] =
    "Quillborne records what an installation or a program changes on this computer.\r\n\r\n"
    "It monitors:\r\n"
    "- the file system: the folders you choose are scanned before and after, optionally with an MD5 or SHA-1 "
    "digest of every file, and watched for live changes while you record;\r\n"
    "- the registry: a snapshot of each chosen root before and after, compared key by key and value by value;\r\n"
    "- processes: the programs running before and after, and the program you start or watch;\r\n"
    "- the shell: its change notifications (files, folders, drives, file type associations) while you record;\r\n"
    "- the free space of every fixed drive.\r\n\r\n"
    "It then writes one HTML report of every difference and opens it in your browser.\r\n\r\n"
    "Help > Help, or the file Quillborne.chm beside the program, explains each step, every setting, the filters "
    "and how to read the report.\r\n\r\n"
    "Credits: written by Tarnvale. MD5 and SHA-1 are the published algorithms of RFC 1321 and FIPS 180-1; the "
    "picture is decoded with the platform's imaging component.";

} // namespace

void TfrmAbout::ShowModal(HWND owner) {
    ::DialogBoxParamW(FInstance, MAKEINTRESOURCEW(IDD_ABOUT), owner, FormDialogProc<TfrmAbout>,
                      reinterpret_cast<LPARAM>(this));
}

void TfrmAbout::FormCreate() {
    ::SetWindowTextW(FHandle, Wide("About " + std::string(kApplicationTitle)).c_str());
    ::SetDlgItemTextW(FHandle, IDC_ABOUTTEXT, Wide(kAboutText).c_str());
    FPicture = LoadJpegResource(FInstance, IDR_ABOUTPICTURE);
    ::SendDlgItemMessageW(FHandle, IDC_ABOUTPICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(FPicture.Get()));
}

INT_PTR TfrmAbout::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        ::SetFocus(::GetDlgItem(FHandle, IDOK));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(FHandle, IDOK);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace quill
