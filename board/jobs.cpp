#include "board/jobs.h"

#include "app/station.h"

namespace auxpad {

void BOARD_TEST(Station&) {}
void FLASH_JOB_START(Station&) {}
void PROD_JOB_START(Station&) {}
void Prod_info_Click(Station& st)
{
    PROD_JOB_START(st);
}

} // namespace auxpad
