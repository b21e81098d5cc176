#pragma once
// The position bar Track1 (0..1000) with the silences of the item on air marked on it: where
// the sound starts after the leading silence and where it ends before the trailing silence.
#include <QSlider>

namespace wc {

class PositionBar final : public QSlider {
public:
    explicit PositionBar(QWidget* parent = nullptr);

    // Both in thousandths of the length: start is the leading silence, end the trailing
    // silence, so its mark sits end thousandths before the end of the bar. Each is limited to
    // the bar's range; a silence of 0 has no mark.
    void setMarkers(int start, int end);
    int startMarker() const { return start_; }
    int endMarker() const { return end_; }
    // The bar values where the marks are drawn, -1 for none.
    int startMarkValue() const;
    int endMarkValue() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int start_ = 0;
    int end_ = 0;
};

} // namespace wc
