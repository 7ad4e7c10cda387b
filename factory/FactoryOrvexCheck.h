// FactoryOrvexCheck: the factory check screen of the 4k2k sub-board (the
// Orvex board): its versions and test results, one text item each. This
// set has no such board and every answer is empty, but the screen keeps
// its timing: the memory-test value is set one layout time-out after the
// first drawing and, from then on, 100 ms after every showing or redraw.
//
// Items, in the order they are looked up:
//   orvex_value, arm_value, brisc_value, crisc_value, fpga_value,
//   boot_loader_value, orvexctrl_value, pq_data_value,
//   gpio_connect_test_value, orvex_memory_test_value, uniformity_value,
//   ld_data_value, 4k_demo_value (text), bg_image (image).
#ifndef BRISKUI_FACTORYORVEXCHECK_H
#define BRISKUI_FACTORYORVEXCHECK_H

#include "EventHandler.h"

class FactoryOrvexCheck final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    // What it says: its title, on showing.
    static const ST_SPEECH_NEEDS kSpeech;

    // Text items set at every redraw, one per sub-board query.
    enum { E_VERSION_ITEMS = 12 };
    // The time-out in force after the first drawing, in milliseconds.
    enum { E_REFRESH_MS = 100 };

    FactoryOrvexCheck();

    // Loads the layout and looks up the items. Start-up.
    void LoadResource(const char* path) override;
    // Shows the screen, whatever the key. Input thread.
    BOOL KeyHandler(U32 key) override;
    // Sets every version item, draws, and from then on keeps a time-out of
    // 100 ms, (re)arming it. Composition.
    void Update(IDirectFBSurface* surface) override;
    // Shows the screen again, sets the memory-test item, recomposes the
    // screen and leaves no timer armed. Input thread.
    void TimerHandler(U32 timerId) override;

private:
    TextItem* apVersionItems[E_VERSION_ITEMS];   // in the order of the query table
    TextItem* pMemoryTestValue;
    ImageItem* pBgImage;
};

#endif   // BRISKUI_FACTORYORVEXCHECK_H
