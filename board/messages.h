#pragma once

// What the board procedures show the operator, each text in one place. Many end in a
// blank, which is part of the text.

namespace auxpad::text {

inline constexpr char LF[] = "\n";

// Self-test and jobs
inline constexpr char TESTING[] = "Testing AUXPAD board...";
inline constexpr char NOT_READY[] = "AUXPAD is not ready!";
inline constexpr char BOARD_READY[] = "AUXPAD board is Ready!";
inline constexpr char SELF_TEST_RESULT[] = "SelfTest Result: ";
inline constexpr char ERROR02[] = "ERROR02: AUXPAD SelfTest Failed!";
inline constexpr char DSP_FAILED[] = "DSP/NAND/AIC FAILED ";
inline constexpr char RADIO_FAILED[] = "Radio FAILED ";
inline constexpr char USB_FAILED[] = "USB FAILED ";
inline constexpr char ERROR03[] = "ERROR03: AUXPAD DSP/NAND/AIC FAILED! ";
inline constexpr char ERROR04[] = "ERROR04: AUXPAD Radio FAILED! ";
inline constexpr char ERROR05[] = "ERROR05: AUXPAD USB FAILED! ";

inline constexpr char ERROR01[] = "ERROR01: Fail to communicate with AUXPAD board! ";
inline constexpr char RESET_PHONE[] = "Reset the phone! ";
inline constexpr char OR[] = "or ";
inline constexpr char CHECK_CABLE[] = "Check the cable connection! ";
inline constexpr char CHECK_BOARD[] = "Check the AUXPAD Board !";
inline constexpr char WRITE_OR_FLASH_AGAIN[] = "Write or Flash again! ";

// Flash job
inline constexpr char FORMAT_IN_PROGRESS[] = "Format AUXPAD in progress...";
inline constexpr char WAIT_GETTING_READY[] = "Please wait for AUXPAD getting ready!";
inline constexpr char INIT_DISK_FAIL[] = " Flash AUXPAD Fail";
inline constexpr char FLASH_AGAIN_OR_RESET[] = "Please Flash Again or reset the phone!";
inline constexpr char FLASH_SUCCESS[] = "Flash AUXPAD Successfully!";
inline constexpr char PLEASE_RESET[] = "Please Reset the phone!";
inline constexpr char FLASH_FAIL[] = "Flash AUXPAD Fail!";
inline constexpr char RESET_AND_FLASH_AGAIN[] = "Please Reset the phone and Flash again!";

// Product information
inline constexpr char READING_PROD_INFO[] = "Reading AUXPAD board Product info...";
inline constexpr char WRITING_PROD_INFO[] = "Writing AUXPAD product info...";
inline constexpr char PROD_INFO_WRITTEN_OK[] = "AUXPAD Product Info written OK!";
inline constexpr char PROD_INFO_WRITE_FAILED[] = "ProdInfo write FAILED";
inline constexpr char PROD_INFO_WRITTEN_FAILED[] = "ProdInfo written FAILED";
inline constexpr char PROD_INFO_WRITTEN_FAILED_BOX[] = "ProdInfo written FAILED! ";
inline constexpr char WRITE_OR_FLASH_AGAIN_PLEASE[] = "Please Write or Flash Again!";
inline constexpr char PROD_INFO_NOT_WRITTEN[] = "AUXPAD Product Info not written";
inline constexpr char PLEASE_CHECK_AUXPAD[] = "Please Check AUXPAD ";
inline constexpr char ERROR15[] = "ERROR15: Invalid Manufacture DDMMYY! ";
inline constexpr char PLEASE_CHECK[] = "Please Check!";
inline constexpr char NOT_ONE_BYTE[] = " holds a character that the board cannot store (only Latin-1 characters fit). ";

// Test-info reports, shown in the traffic log
inline constexpr char TEST_INFO_READ[] = "Test info read";
inline constexpr char TEST_INFO_WRITE[] = "Test info write";
inline constexpr char TEST_INFO_READ_FAILED[] = "TestInfo read FAILED";
inline constexpr char TEST_INFO_WRITE_FAILED[] = "TestInfo write FAILED";

} // namespace auxpad::text
