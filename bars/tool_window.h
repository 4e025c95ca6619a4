#pragma once
// TToolWindowX: a dockable tool window whose client area is a free panel of a chosen size; the
// caller places any controls inside (client-aligned ones through ClientLayout()).
#include "bars/tool_window_base.h"

class TToolWindowX : public TCustomToolWindowX {
    Q_OBJECT
public:
    explicit TToolWindowX(QWidget* parent = nullptr);

    int ClientAreaWidth() const;
    int ClientAreaHeight() const;
    void SetClientAreaWidth(int w) { SetClientAreaSize(w, ClientAreaHeight()); }
    void SetClientAreaHeight(int h) { SetClientAreaSize(ClientAreaWidth(), h); }
    void SetClientAreaSize(int w, int h);
    int MinClientWidth = 32;
    int MinClientHeight = 32;
    // The client size the window wants.
    int BarWidth() const { return m_barWidth; }
    int BarHeight() const { return m_barHeight; }
    // Children added here fill the client area.
    TAlignLayout* ClientLayout() const { return m_layout; }

    void SizeChanging(int width, int height) override;
    void GetBarSize(int& size, TDockType dockType) override;
    void GetLeastBarSize(int& size, TDockType dockType) override;
    void GetMinimumSize(int& clientWidth, int& clientHeight) override;
    QSize OrderControls(bool canMoveControls, TDockType previousDockType, TDockX* dockingTo) override;
    void ReadPositionData(const TReadIntFn& read) override;
    void WritePositionData(const TWriteIntFn& write) override;

private:
    int m_barWidth = 32;
    int m_barHeight = 32;
    TAlignLayout* m_layout;
};
