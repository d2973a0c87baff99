// Compiled with the program's narrow code page (949), so the texts compare byte for byte with
// what its windows carry.
#include "common/ProgramFacts.h"

namespace facts
{
const char kMainTitle[] = "Pellix SSD 최적화";
const char kUpdateCaption[] = "업데이트 확인";
const char kAboutTitle[] = "VELO-SSD 정보";
const char kRestartQuestion[] = "가상 메모리 설정을 적용하기 위해서는 재부팅이 필요합니다.\n\n* "
                                "시스템을 재부팅하려면 \"확인\"을 클릭하세요. *";
const char kNoSsdQuestion[] =
    "현재 컴퓨터에서 SSD로 보이는 디스크를 찾을 수 없습니다. \n\nSSD지만 장치명에 SSD문자열이 "
    "포함되지 않은 디스크는 이 메세지가 나올 수 있습니다. SSD라면 메세지와 상관없이 최적화하면 "
    "됩니다.\n\nSSD가 설치되지 않았으면 프로그램을 종료하세요.\n프로그램을 종료하겠습니까?";
} // namespace facts
