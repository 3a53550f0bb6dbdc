#pragma once

// What the station shows its operator, each text in one place. Many end in a blank,
// which is part of the text.

namespace auxpad::text {

// The self-test and the jobs
inline constexpr char kTesting[] = "Testing AUXPAD board...";
inline constexpr char kNotReady[] = "AUXPAD is not ready!";
inline constexpr char kBoardReady[] = "AUXPAD board is Ready!";
inline constexpr char kSelfTestResult[] = "SelfTest Result: ";
inline constexpr char kSelfTestFailed[] = "ERROR02: AUXPAD SelfTest Failed!";
inline constexpr char kNoAnswer[] = "ERROR01: Fail to communicate with AUXPAD board! ";
inline constexpr char kResetPhone[] = "Reset the phone! ";
inline constexpr char kOr[] = "or ";
inline constexpr char kCheckCable[] = "Check the cable connection! ";
inline constexpr char kCheckBoard[] = "Check the AUXPAD Board !";
inline constexpr char kWriteOrFlashAgain[] = "Write or Flash again! ";

// Flash job
inline constexpr char kFlashStarting[] = "Flash Starting...";
inline constexpr char kSelectInitDisk[] = "Please select an InitDisk file! ";
inline constexpr char kSelectInitData[] = "Please select an InitData file! ";
inline constexpr char kCheckingDiskFile[] = "Checking File:";
inline constexpr char kCheckingDataFile[] = "Checking file:";
inline constexpr char kWrongFiles[] = "Wrong Initdisk and Initdata file!";
inline constexpr char kFormatting[] = "Format AUXPAD in progress...";
inline constexpr char kWaitGettingReady[] = "Please wait for AUXPAD getting ready!";
inline constexpr char kInitDiskFailed[] = " Flash AUXPAD Fail";
inline constexpr char kFlashAgainOrReset[] = "Please Flash Again or reset the phone!";
inline constexpr char kFlashed[] = "Flash AUXPAD Successfully!";
inline constexpr char kPleaseReset[] = "Please Reset the phone!";
inline constexpr char kFlashFailed[] = "Flash AUXPAD Fail!";
inline constexpr char kResetAndFlashAgain[] = "Please Reset the phone and Flash again!";

// Downloads
inline constexpr char kDataError[] = "Data Error";
inline constexpr char kWrongFormat[] = "ERROR06: Wrong File format! ";
inline constexpr char kDownloadFailed[] = "ERROR07: FLASH AUXPAD_DSP failure! ";
inline constexpr char kEnd[] = "End";
inline constexpr char kErrorMark[] = "Error!";

// Product information
inline constexpr char kReadingInfo[] = "Reading AUXPAD board Product info...";
inline constexpr char kWritingInfo[] = "Writing AUXPAD product info...";
inline constexpr char kInfoWritten[] = "AUXPAD Product Info written OK!";
inline constexpr char kInfoRefused[] = "ProdInfo write FAILED";
inline constexpr char kInfoUnanswered[] = "ProdInfo written FAILED";
inline constexpr char kInfoUnansweredBox[] = "ProdInfo written FAILED! ";
inline constexpr char kWriteOrFlashAgainPlease[] = "Please Write or Flash Again!";
inline constexpr char kInfoNotWritten[] = "AUXPAD Product Info not written";
inline constexpr char kPleaseCheck[] = "Please Check!";

// Approved download files, and the product information read back after a write
inline constexpr char kNotApproved[] = " is not the approved file: its SHA-256 is ";
inline constexpr char kReadBackDiffers[] = "AUXPAD Product Info read back differs: ";
inline constexpr char kReadBackMatches[] = "AUXPAD Product Info read back OK";
inline constexpr char kReadBackUnanswered[] = "AUXPAD Product Info not read back: the board did not give it";

// A job refused before it began, for the fronts that run boards with nobody watching
inline constexpr char kStationBusy[] = "The station is busy: a download runs or a message is open";
inline constexpr char kStationStopped[] = "The station has stopped";

} // namespace auxpad::text
