// The main window: the input file and output folder, the detection options,
// Start and Close. A view over MainWindowForm, which holds the values, checks
// the fields, runs Start and Suggest and keeps the options in the settings
// store; this class draws the controls and passes their notifications on.
#pragma once

#include "ControlIds.h"
#include "DialogBuilder.h"
#include "MainWindowForm.h"
#include "MainWindowView.h"
#include "Profile.h"
#include "SplitOptions.h"

#include <QDialog>
#include <QString>

#include <functional>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace qtui {

class CThresholdSlider;

class CQuernfoldDlg : public QDialog, private MainWindowView {
    Q_OBJECT

public:
    // The output folder's picker; `folder` is used only when one was chosen.
    using FolderPicker = std::function<FolderChoice(QWidget* owner, QString& folder)>;
    // Shows the About box modally and returns when it is closed.
    using AboutBoxRunner = std::function<void(QWidget* owner)>;

    CQuernfoldDlg(FolderPicker pickFolder, AboutBoxRunner showAbout, QWidget* parent = nullptr);
    ~CQuernfoldDlg() override;

    // Opens with this file in the file field (the program's command line).
    void StartWithFile(const std::string& path) { form.StartWithFile(path); }

    // Show (false) writes the held values into the controls; commit (true) reads
    // and checks them in order, stopping at the first field that fails.
    bool UpdateData(bool saveAndValidate = true);

    // The values as the window holds them (the two flags as last committed or clicked).
    SplitOptions HeldOptions() const;
    QWidget* Control(int id) const;

protected:
    void accept() override; // Start
    void reject() override; // Close, Escape and the close box
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
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

    QWidget* FieldControl(Field field) const;
    void OnAbout();
    // The About item, in the window's context menu.
    void AddAboutItem();

    FolderPicker pickFolder;
    AboutBoxRunner showAbout;
    ProfileStore settings;
    MainWindowForm form;

    // The controls, owned by the dialog as its children.
    DialogControls controls;
    CThresholdSlider* threshold = nullptr;
};

} // namespace qtui
