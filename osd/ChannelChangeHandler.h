// ChannelChangeHandler: the channel banner, one row of an input icon, the
// input's name, the channel number and the service name, worked out afresh
// at every draw from the current input and program, so whoever shows it
// (CH+/CH- here, the menus after a switch, the middleware's banner events)
// gets an up-to-date banner. NA rows read icon, name, number, service; EU
// rows icon, number, name, service, with the texts measured in their font.
// CH+ and CH- step the channel while a tuner source is on.
#ifndef BRISKUI_CHANNELCHANGEHANDLER_H
#define BRISKUI_CHANNELCHANGEHANDLER_H

#include "EventHandler.h"
#include "Middleware.h"

class ChannelChangeHandler final : public EventHandler {
public:
    // Items and "setting" keys read from the layout, and what the OSD
    // says, listed in the .cpp.
    static const ST_LAYOUT_NEEDS kLayout;
    static const ST_SPEECH_NEEDS kSpeech;

    // Room for one icon path of the layout: 99 characters and the end.
    enum { E_PATH_SIZE = 100 };
    // Gap in pixels between row elements when the layout names none.
    enum { E_DEFAULT_TEXT_PADDING = 5 };

    ChannelChangeHandler();

    // Loads the layout and its icon paths and padding from the one parse.
    // A banner layout that cannot be read is fatal: start-up aborts.
    void LoadResource(const char* path) override;
    // CH+/CH- on a tuner source: steps the channel and shows the banner
    // (any other key there logs the FAIL line); on other sources nothing.
    // Input thread.
    BOOL KeyHandler(U32 key) override;
    // Fills and places the row for the current input and program, then
    // draws it. Composition, under the manager lock.
    void Update(IDirectFBSurface* surface) override;
    // The time-out hides the banner. Input thread.
    void TimerHandler(U32 timerId) override;
    // Says the row as drawn: the channel's number and name on a tuner, the
    // input's name on another input; again whenever it changes while shown
    // (CH+ held down says the channel it stops on). Composition.
    void SpeakShown(BOOL anew) override;

    U8 GetTextPadding() const { return u8TextPadding; }
    const char* GetVideoIconPath() const { return acVideoIconPath; }
    const char* GetComponentIconPath() const { return acComponentIconPath; }
    const char* GetHdmiIconPath() const { return acHdmiIconPath; }
    const char* GetPcIconPath() const { return acPcIconPath; }
    const char* GetAntennaIconPath() const { return acAntennaIconPath; }
    const char* GetTvTypeIconPath() const { return acTvTypeIconPath; }

private:
    void FillTuner(MAPI_INPUT_SOURCE_TYPE source, BOOL northAmerica);
    void FillInput(MAPI_INPUT_SOURCE_TYPE source, BOOL northAmerica);
    void SetIcon(const char* path, U32 width, U32 height);
    // Places the three texts one after the other from the icon's right
    // edge plus the padding, each `gap` pixels after the previous one's
    // measured width.
    void PlaceRow(TextItem* first, U32 firstGap, TextItem* second, U32 secondGap, TextItem* third);

    ImageItem* pInputIcon;
    TextItem* pInputName;
    TextItem* pChannelName;
    TextItem* pChannelNumber;
    char acVideoIconPath[E_PATH_SIZE];
    char acComponentIconPath[E_PATH_SIZE];
    char acHdmiIconPath[E_PATH_SIZE];
    char acPcIconPath[E_PATH_SIZE];
    char acAntennaIconPath[E_PATH_SIZE];
    char acAntennaInputPath[E_PATH_SIZE];
    char acTvTypeIconPath[E_PATH_SIZE];
    char acRadioTypeIconPath[E_PATH_SIZE];
    char acTypeText[E_PATH_SIZE];
    char acCustomLabelPath[E_PATH_SIZE];
    U8 u8TextPadding;
    BOOL bTunerRow;   // the last Update drew a tuner's row
};

#endif   // BRISKUI_CHANNELCHANGEHANDLER_H
