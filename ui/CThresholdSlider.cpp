#include "CThresholdSlider.h"

#include "ThresholdScale.h"

namespace qtui {

CThresholdSlider::CThresholdSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kThresholdSteps);
    setTickInterval(kThresholdTicksInterval);
    setTickPosition(QSlider::TicksBelow);
}

CThresholdSlider::~CThresholdSlider() = default;

} // namespace qtui
