// The main window: the input file and output folder, the detection options,
// Start and Close. It holds one value per option, exchanges them with its
// controls in one routine, runs the split inside Start, and keeps the options in
// the settings store ("Options") from one run to the next.
#pragma once

#include "DialogBuilder.h"
#include "SplitOptions.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>

class CThresholdSlider;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// Control ids of the main window.
namespace MainWindowId {
inline constexpr int kInputPath = 1000;
inline constexpr int kBrowseInput = 1001;
inline constexpr int kOutputFolder = 1002;
inline constexpr int kBrowseOutput = 1003;
inline constexpr int kStart = 1;
inline constexpr int kClose = 2;
inline constexpr int kThreshold = 1005;
inline constexpr int kThresholdLabel = 1006;
inline constexpr int kMinTrackLength = 1008;
inline constexpr int kAppendSilence = 1010;
inline constexpr int kSilenceLength = 1012;
inline constexpr int kSilenceLengthArrows = 1015;
inline constexpr int kMinTrackLengthArrows = 1016;
inline constexpr int kAppendSilenceArrows = 1017;
inline constexpr int kTrimSilence = 1018;
inline constexpr int kFileNamePrefix = 1019;
inline constexpr int kMaximumLabel = 1020;
inline constexpr int kAverageMethod = 1021;
inline constexpr int kMaximumMethod = 1022;
inline constexpr int kSuggestThreshold = 1023;
} // namespace MainWindowId

class CQuernfoldDlg : public QDialog {
    Q_OBJECT

public:
    // The output folder's picker: 1 with the chosen folder in `folder`; 0 when
    // cancelled; -1 when no picker can be shown. `folder` is used only on 1.
    using FolderPicker = std::function<int(QWidget* owner, QString& folder)>;
    // Shows the About box modally and returns when it is closed.
    using AboutBoxRunner = std::function<void(QWidget* owner)>;

    CQuernfoldDlg(FolderPicker pickFolder, AboutBoxRunner showAbout, QWidget* parent = nullptr);
    ~CQuernfoldDlg() override;

    // Show (false) writes the held values into the controls; commit (true) reads
    // and checks them in order, stopping at the first field that fails.
    bool UpdateData(bool saveAndValidate = true);

    // The values as the window holds them (the two flags as last committed or clicked).
    SplitOptions HeldOptions() const;
    QWidget* Control(int id) const;

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();     // Start
    virtual void OnCancel(); // Close, Escape and the close box

    void accept() override;
    void reject() override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    class DataExchange;

    void DoDataExchange(DataExchange& exchange);
    void OnThresholdMoved();
    void OnSuggestThreshold();
    void ApplyReviewedOptions(const QString& text, bool average);
    void OnAverageMethodClicked();
    void OnMaximumMethodClicked();
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnAbout();
    void AddAboutItem();
    void LoadOptions();
    void SaveOptions();
    bool IgnoringNotifications() const {
        return exchanging || !initialised;
    }

    FolderPicker pickFolder;
    AboutBoxRunner showAbout;

    // Held values; set from the settings store when the window opens.
    QString inputPath;
    QString outputFolder;
    QString fileNamePrefix;
    QString thresholdText;
    QString maximumLabelText;
    std::uint32_t silenceLengthMs = 0;
    std::uint32_t minTrackLengthSec = 0;
    std::uint32_t appendSilenceMs = 0;
    int trimSilence = 0;
    int useAverageMethod = 0;

    // The controls, owned by the dialog as its children.
    DialogControls controls;
    QLineEdit* inputEdit = nullptr;
    QLineEdit* outputEdit = nullptr;
    QLineEdit* prefixEdit = nullptr;
    QLineEdit* minTrackEdit = nullptr;
    QLineEdit* silenceEdit = nullptr;
    QLineEdit* appendEdit = nullptr;
    QLabel* thresholdLabel = nullptr;
    QLabel* maximumLabel = nullptr;
    CThresholdSlider* threshold = nullptr;
    UpDownArrows* silenceArrows = nullptr;
    UpDownArrows* minTrackArrows = nullptr;
    UpDownArrows* appendArrows = nullptr;
    QRadioButton* averageMethod = nullptr;
    QRadioButton* maximumMethod = nullptr;
    QCheckBox* trimBox = nullptr;
    QAbstractButton* startButton = nullptr;

    bool initialised = false;
    bool exchanging = false;
    bool running = false; // inside Start: the engine is working
};
