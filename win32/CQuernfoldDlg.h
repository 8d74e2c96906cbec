// The main window: the input file and output folder, the detection options,
// Start, Suggest and Close, built from the main window's template. A view over
// MainWindowForm, which holds the values, checks the fields, runs Start and
// Suggest and keeps the options in the settings store; this class shows the
// controls and passes their notifications on.
#pragma once

#include "MainWindowForm.h"
#include "MainWindowView.h"
#include "SettingsStore.h"
#include "WinApi.h"

#include <memory>
#include <string>
#include <type_traits>

namespace winui {

struct DialogFrame;

class CQuernfoldDlg : private MainWindowView {
public:
    // Relative paths are taken from `startFolder`.
    CQuernfoldDlg(SettingsStore& settings, std::string startFolder);
    ~CQuernfoldDlg() override;
    CQuernfoldDlg(const CQuernfoldDlg&) = delete;
    CQuernfoldDlg& operator=(const CQuernfoldDlg&) = delete;

    // Opens with this file in the file field (the program's command line).
    void StartWithFile(const std::string& path) { form.StartWithFile(path); }

    // Runs the window modally until Close; the dialog's result.
    INT_PTR DoModal();

    // The window's frame, as the system names its styles.
    static const DialogFrame& Frame();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnCommand(int id, int notification);
    void AddAboutItem();
    void OnDropFiles(HDROP drop);
    static void MakeRoomForTicks(HWND trackbar);

    // MainWindowView
    std::string Text(Field field) const override;
    void SetText(Field field, const std::string& text) override;
    bool IsChecked(Field field) const override;
    void SetChecked(Field field, bool checked) override;
    void SetThresholdPosition(int position) override;
    void SetArrows(Field field, int minimum, int maximum, int position) override;
    void Focus(Field field) override;
    void ReportProblem(Field field, const std::string& message) override;
    std::optional<std::string> ChooseInputFile(const std::string& startFolder) override;
    FolderChoice PickOutputFolder(std::string& folder, const std::string& startFolder) override;
    std::unique_ptr<SplitHost> CreateHost() override;

    HWND Control(int id) const;
    HWND FieldControl(Field field) const;

    SettingsStore& settings;
    MainWindowForm form;
    HWND window = nullptr;

    // The program icon in the system's two sizes, destroyed with the window object.
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter> bigIcon;
    std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter> smallIcon;
};

} // namespace winui
