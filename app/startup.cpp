#include "app/startup.h"

#include "app/flash_ini.h"
#include "app/ini_text.h"
#include "app/station.h"
#include "platform/runtime_fault.h"

namespace auxpad {

namespace {

// The COMport value as written in the working directory's flash.ini.
std::string readComPortValue(Station& st, const std::string& where)
{
    std::string reason;
    const auto file = st.io.files.openRead("flash.ini", reason);
    if (!file)
        throw platform::RuntimeFault("Cannot open flash.ini in " + where + ": " + reason
                                     + "\n\nThe tool reads its COM port from this file.");
    SET_START_DIR(st, st.io.main.dir1Path());
    std::string line;
    while (file->readLine(line)) {
        if (!contains(line, "COMport"))
            continue;
        const auto value = quotedValue(line);
        if (!value)
            throw platform::RuntimeFault("The COMport line of flash.ini in " + where
                                         + " needs the port number between two double quotes, for example COMport=\"1\".");
        return *value;
    }
    throw platform::RuntimeFault("flash.ini in " + where
                                 + " has no COMport line, so the tool does not know which serial port leads to the board.");
}

} // namespace

void Form_Load(Station& st)
{
    const std::string where = st.io.main.dir1Path();
    const std::string value = readComPortValue(st, where);
    st.io.port.setPortNumber(roundHalfEven(lenientNumber(value)));
    st.io.main.setComPortNum(value);
    if (st.io.port.isOpen())
        st.io.port.close();
    st.io.port.open();
    st.io.main.setLabel13("Opened");
    INIT_GLOBALS(st);
}

void INIT_GLOBALS(Station& st)
{
    st.FBUS_SEQ = 0x60;
    st.FBUS_RX_STATE = 0;
    st.ACK_WAIT = 0;
    st.TX_QUEUE_IN = 0;
    st.TX_QUEUE_OUT = 0;
    st.POWER_UP_COUNT = 0;
    st.POWER_UP_SEEN = 0;
    st.JOB_MODE = 0;
    st.SELF_TEST_REPLY = 0;
    st.PROD_INFO_WRITE_PENDING = false;
    st.PROD_INFO_READ_DONE = false;
    st.FORMAT_WAIT_TIME = 20000;
    READ_SHOW_OPTION(st);
}

void SET_START_DIR(Station& st, const std::string& path)
{
    st.START_DIR = path;
}

void Form_QueryUnload(Station& st)
{
    st.io.msgWin.unload();
}

} // namespace auxpad
