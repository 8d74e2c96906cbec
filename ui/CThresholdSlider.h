// The silence-threshold trackbar: 300 steps of 1/60 percent from 0 % to 5 %,
// with a tick at every percent. The scale's rules live in ThresholdScale.h.
#pragma once

#include <QSlider>

namespace qtui {

class CThresholdSlider : public QSlider {
    Q_OBJECT

public:
    explicit CThresholdSlider(QWidget* parent = nullptr);
    ~CThresholdSlider() override;
};

} // namespace qtui
