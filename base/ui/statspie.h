#pragma once
// The pie chart of the statistics window: one slice per file type whose share is at least
// 0.1 %, in the order MP3, WAV, WMA, Ogg, with the legend beside it.
#include <QWidget>
#include <array>

namespace wc::base {

class StatsPie final : public QWidget {
public:
    explicit StatsPie(QWidget* parent = nullptr);
    void setShares(const std::array<double, 4>& shares);
    const std::array<double, 4>& shares() const { return shares_; }
    // "MP3:  50.000%" and so on.
    QStringList legend() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::array<double, 4> shares_{};
    bool known_ = false;
};

} // namespace wc::base
