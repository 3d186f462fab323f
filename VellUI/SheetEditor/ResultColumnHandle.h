#pragma once

// The grip over the divider between a sheet's text and its answers: dragging it sets the width of
// the answer column for every window.

#include <QWidget>
#include <optional>

namespace vell {

class AppSettings;
class Appearance;

class ResultColumnHandle : public QWidget {
    Q_OBJECT

public:
    static constexpr int stripWidth = 14;

    ResultColumnHandle(AppSettings& settings, Appearance& appearance, QWidget* parent = nullptr);

    // The width and the right edge, in the parent's coordinates, of the editor area the grip lies over.
    // A new width, once the grip has been shown, may narrow the stored column width.
    void setArea(int right, int top, int height, int available);

    bool isDragging() const { return startWidth_.has_value(); }
    bool isHovering() const { return hovering_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void place();

    AppSettings& settings_;
    Appearance& appearance_;
    int right_ = 0;
    int top_ = 0;
    int height_ = 0;
    int available_ = 0;
    bool shown_ = false;
    bool hovering_ = false;
    std::optional<double> startWidth_;
    double pressX_ = 0;
};

} // namespace vell
