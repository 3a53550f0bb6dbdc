#include "app/station.h"

namespace auxpad {

void MSG_BOX(Station& st, const std::string& text, platform::Icon icon)
{
    ++st.modalBoxes;
    try {
        st.io.dialogs.messageBox(text, icon);
    } catch (...) {
        --st.modalBoxes;
        throw;
    }
    --st.modalBoxes;
}

} // namespace auxpad
