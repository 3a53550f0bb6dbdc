#pragma once

// What flashing shows the operator, each text in one place.

namespace auxpad::text {

inline constexpr char FLASH_STARTING[] = "Flash Starting...";
inline constexpr char SELECT_INIT_DISK[] = "Please select an InitDisk file! ";
inline constexpr char SELECT_INIT_DATA[] = "Please select an InitData file! ";
inline constexpr char CHECKING_DISK_FILE[] = "Checking File:";
inline constexpr char CHECKING_DATA_FILE[] = "Checking file:";
inline constexpr char WRONG_FILES[] = "Wrong Initdisk and Initdata file!";
inline constexpr char CANNOT_READ[] = "Cannot read ";

inline constexpr char ERROR06[] = "ERROR06: Wrong File format! ";
inline constexpr char ERROR07[] = "ERROR07: FLASH AUXPAD_DSP failure! ";
inline constexpr char END[] = "End";
inline constexpr char ERROR_MARK[] = "Error!";

inline constexpr char DOWNLOADING[] = "Downloading ";
inline constexpr char DOWNLOADING_TIGHT[] = "Downloading";
inline constexpr char PERCENT[] = "%";
inline constexpr char PERCENT_OF_FILE[] = "% of file";
inline constexpr char ELAPSED_TIME[] = "Elapsed Time: ";
inline constexpr char MIN[] = "Min";
inline constexpr char SEC[] = "Sec";

} // namespace auxpad::text
