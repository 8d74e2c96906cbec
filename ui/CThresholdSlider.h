// The silence-threshold trackbar: 300 steps of 1/60 percent from 0 % to 5 %,
// and the conversions between a position and the threshold text the engine
// parses ("0.20 %"). Numbers use '.' whatever the locale.
#pragma once

#include "SplitQuantities.h"

#include <QSlider>

#include <string>
#include <string_view>

class CThresholdSlider : public QSlider {
    Q_OBJECT

public:
    static constexpr int kSteps = kThresholdSteps;
    static constexpr float kScaleMaximum = kThresholdScaleMaximum;
    static constexpr float kStepFactor = kThresholdStepFactor;
    static constexpr int kTickInterval = 60; // one tick per percent

    explicit CThresholdSlider(QWidget* parent = nullptr);
    ~CThresholdSlider() override;

    // "%.2f %%" of position × 5 × step factor: 12 gives "0.20 %", 300 gives "5.00 %".
    static std::string PositionToText(int position);
    // Where a stored text opens the trackbar: its leading number (0 when there is
    // none) without the last two characters, as a float, × 300 / 5, truncated and
    // clamped into 0..300. "0.35 %" opens at 20, not 21; the text itself is kept.
    static int TextToPosition(std::string_view text);
    // The label at the right end of the scale: "5 %".
    static std::string MaximumLabelText();
};
