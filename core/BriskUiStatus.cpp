#include "BriskUiStatus.h"

#include "BriskUiHandlerTable.h"

const char* BriskUiOsdName(unsigned int status)
{
    if (status == E_BRISKUI_OSD_STATUS_BASE) return "base";
    const ST_BRISKUI_HANDLER_ROW* row = BriskFindHandlerRow(status);
    return row != NULL && row->pName != NULL ? row->pName : "unknown";
}
