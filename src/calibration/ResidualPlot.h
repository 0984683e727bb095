#pragma once
// A small plot of the residuals of a calibration: one point per line or
// band, the rejected ones as red crosses, against a zero line and, where
// given, a dashed line at the mean.

#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace vexlar {

class ResidualPlot : public QWidget {
    Q_OBJECT

public:
    struct Point {
        double x;
        double y;
        bool rejected;
    };

    explicit ResidualPlot(QWidget* parent = nullptr);

    void SetAxisTitles(const QString& x, const QString& y);
    // The points to show (nothing drawn but the axes when empty) and the
    // level of the dashed line, if any.
    void SetPoints(std::vector<Point> points, std::optional<double> meanLevel = std::nullopt);
    const std::vector<Point>& Points() const { return points_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Point> points_;
    std::optional<double> meanLevel_;
    QString xTitle_;
    QString yTitle_;
};

}  // namespace vexlar
