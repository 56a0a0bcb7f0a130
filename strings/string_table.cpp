// The string table: every user-visible text of the program, UTF-8, by numeric id. The ids are
// fixed because devPanel.ini names tree captions and value labels by id.
#include "strings/string_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace res {
namespace {

struct Entry {
    int id;
    std::string_view text;
};

// Sorted by id: String() searches it by halves.
constexpr Entry kTable[] = {
    // Menu help texts of the program's own commands (the part after "\n" is a short name).
    {32772, "다른 운영 시스템에서 사용하기 위해 설정 변경 사항을 코멘드 파일에 저장."},
    {32774, "변경사항을 프린터에 적용"},
    {32775, "다른 프린터에서 사용하기 위해 현재 설정을 설정 파일로 내보내기\n내보내기"},
    {32776, "설정 파일의 설정을 가져와 변경 사항으로 표시\n가져오기"},
    {32777, "설정을 적용 하기 전의 이전 상태로 프린터 설정을 복원\n복원"},
    // Application and main-window title.
    {57344, "Altrin Pressline T90 설정 유틸리티"},
    // Status-bar texts of the framework commands: idle message, menu help, pane switching.
    {57345, "준비됨"},
    {57664, "프로그램 정보, 버전 번호 및 저작권\n정보 표시"},
    {57665, "응용프로그램 중지; 설정 적용 표시\n마침"},
    {57680, "다음 창으로 변경\n다음 창"},
    {57681, "이전의 창으로 변경\n이전 창"},
    // Status-bar texts of the system menu.
    {61184, "창 사이즈 변경"},
    {61185, "창 위치 변경"},
    {61186, "창을 아이콘으로 축소"},
    {61187, "창 사이즈를 최대로 확대"},
    {61190, "현재 창을 닫고 설정 적용을 선택 하십시오."},
    {61202, "창을 표준 사이즈로 복구"},
    // Start-up messages: text and caption pairs.
    {61203, "지정한 프린터의 포트를 찾을 수가 없습니다. 프린터 연결 상태를 확인하고 드라이버가 제대로 설치되 있는지 확인 하십시오."},
    {61204, "지정한 프린터의 포트를 찾을 수가 없습니다."},
    {61205, "직접 연결된 프린터를 찾을수 없습니다. 프린터 연결 상태를 확인 하고 드라이버가 제대로 설치되 있는지 확인 하십시오."},
    {61206, "직접 연결된 프린터가 없습니다."},
    {61207, "프린터와 통신을 할수 없습니다. 프린터가 연결되어 있고 전원이 켜져 있는지 확인 하십시오."},
    {61208, "종신 오류"},
    {61209, "시스템 레지스트리에서 필요한 프린터 정보를 읽을수 가 없습니다. 프린터 드라이버가 제대로 설치되 있는지 확인 하십시오."},
    {61210, "프린터 정보 없음"},
    // Tree node captions (devPanel.ini refers to them through "StringId").
    {61211, "포트"},
    {61212, "병렬"},
    {61213, "USB"},
    {61214, "용지"},
    {61215, "용지 종류"},
    {61216, "트레이 1"},
    {61217, "용지 무게"},
    {61218, "용지 종류"},
    {61219, "사용자"},
    {61220, "이름"},
    {61221, "PCL 에뮬레이션"},
    {61222, "트레이 번호"},
    {61223, "포스트스크립트"},
    {61224, "설정"},
    {61225, "마무리"},
    // Value labels: blank pages and separator sheets.
    {61231, "인쇄 금지"},
    {61232, "인쇄"},
    {61233, "없음"},
    {61234, "인쇄 사이에"},
    {61235, "작업 사이에"},
    {61236, "페이지 사이에"},
    // Messages of the document and the frame: text and caption pairs.
    {61239, "양방향 지원 불가능"},
    {61240, "이 프린터가 연결되어 있는 운영 시스템의 영향으로, 프린터의 설정값이 실제 설정과 다르게 보일수도 있습니다."},
    {61242, "변경사항을 적용 하시겠습니까?"},
    {61243, "프린터 설정이 변경 되었지만 적용 되지 않았습니다. 변경 사항을 지금 적용 하시겠습니까?"},
    {61244, "설정 적용 실패"},
    {61245, "설정사항을 프린트에 저용 할수 없습니다. 프린터가 연결되어 있고 전원이 켜져 있는지 확인 하십시오."},
    // Value labels (devPanel.ini refers to them through "ValueIds").
    {61246, "꺼짐"},
    {61247, "단일"},
    {61248, "계속"},
    {61250, "표준"},
    {61251, "고속 바이트"},
    {61252, "부드럽게"},
    {61253, "보통"},
    {61254, "거칠게"},
    {61255, "가볍게"},
    {61256, "무겁게"},
    {61257, "카드 용지"},
    {61258, "OHP 필름"},
    {61259, "라벨"},
    {61260, "봉투"},
    {61261, "내장"},
    {61262, "플레시/디스크"},
    {61264, "PS 2 에뮬레이션"},
    {61265, "PPDS 에뮬레이션"},
    {61266, "켜짐"},
    {61267, "자동"},
    {61268, "English"},
    {61269, "Français"},
    {61270, "Deutsch"},
    {61271, "Italiano"},
    {61272, "Español"},
    {61273, "Dansk"},
    {61274, "Norsk"},
    {61275, "Nederlands"},
    {61276, "Svenska"},
    {61277, "Português"},
    {61278, "Suomi"},
    {61279, "Japanese"},
    {61280, "전체 페이지"},
    {61281, "플래시"},
    {61282, "다운로드"},
    {61283, "198 mm"},
    {61284, "203 mm"},
    // Messages of apply and save: text and caption pairs.
    {61287, "메모리가 부족 합니다."},
    {61288, "설정을 변경 하기 위한 시스템 메모리가 부족 합니다. 다른 응용프로그램을 모두 닫고 다시 시도 하십시오."},
    {61289, "코멘드 파일 만들기 실패"},
    {61290, "코멘드 파일 %s에 설정을 저장 할 수 없습니다."},
    // Page titles: each page's place in the tree, with a leading blank.
    {61291, " 용지"},
    {61292, " 용지  >  사용자"},
    {61294, " 용지  >  용지 종류"},
    {61295, " 용지  >  용지 무게"},
    {61296, " 마무리"},
    {61297, " 설정"},
    {61298, " PCL 에뮬레이션"},
    {61299, " PCL 에뮬레이션  >  트레이 번호"},
    {61300, " 포스트스크립트"},
    {61301, " 포트  >  병렬"},
    {61302, " 포트  >  USB"},
    // Face name of the page title lines.
    {61303, "굴림"},
    // Message-pane texts while a transaction runs.
    {61304, "프린터에 설정을 적용 하고 있습니다. 잠시 기다리십시오..."},
    {61305, "설정을 코멘드 파일에 저장합니다.  잠시 기다리십시오..."},
    // Value labels: paper types and paper sizes.
    {61308, "일반 용지"},
    {61309, "본드"},
    {61310, "레터 헤드"},
    {61311, "이면지"},
    {61312, "색상 용지"},
    {61313, "사용자 지정 1"},
    {61314, "사용자 지정 2"},
    {61315, "사용자 지정 3"},
    {61316, "사용자 지정 4"},
    {61317, "사용자 지정 5"},
    {61318, "사용자 지정 6"},
    {61319, "레터"},
    {61320, "A4"},
    {61321, "리갈"},
    {61322, "A5"},
    {61323, "JIS B5"},
    {61324, "Executive"},
    {61325, "유니버설"},
    {61326, "7 3/4 봉투"},
    {61327, "9 봉투"},
    {61328, "10 봉투"},
    {61329, "DL 봉투"},
    {61330, "C5 봉투"},
    {61331, "B5 봉투"},
    {61332, "기타 봉투"},
    // Outcomes of apply beyond success and a plain failure: caption and text pairs; %s takes
    // the NPA names of the settings concerned, joined by ", ".
    {61333, "프린터 온라인 전환 실패"},
    {61334, "설정을 프린터에 보냈지만 프린터가 아직 오프라인 상태일 수 있습니다. 프린터의 조작판에서 프린터를 다시 온라인으로 전환 하거나 프린터를 껐다가 다시 켜십시오."},
    {61335, "설정 확인 실패"},
    {61336, "다음 설정이 프린터에 적용되지 않았습니다: %s\n설정을 다시 적용 하십시오."},
    {61337, "설정 값 오류"},
    {61338, "다음 설정의 값은 프린터에 보낼 수 없습니다: %s\n프린터에는 아무 설정도 보내지 않았습니다. 값을 확인 하고 다시 적용 하십시오."},
    {61339, "설정 적용 완료"},
    {61340, "설정을 프린터에 적용 했습니다.\n다음 설정은 프린터에서 읽은 값을 그대로 다시 쓸 수 없어 바꾸지 않았습니다: %s"},
    {61341, "설정 확인 실패"},
    {61342, "설정을 프린터에 보냈지만 프린터에서 다시 읽어 적용 여부를 확인 할 수 없습니다. 프린터 연결 상태를 확인 하고 다시 적용 하십시오."},
    // Start-up messages that end the program: caption and text pairs; %s takes the file's path,
    // and the reason, in English, follows after a blank line.
    {61343, "설정 파일 오류"},
    {61344, "설정 파일 %s에 문제가 있어 사용할 수 없습니다. 파일을 확인 하거나 프로그램을 다시 설치 하십시오."},
    {61345, "가상 프린터 오류"},
    {61346, "가상 프린터를 시작할 수 없습니다. 상태 파일 %s에는 아무것도 쓰지 않았습니다. 파일을 확인 하거나 다른 상태 파일을 지정 하십시오."},
    // The restore dialog: caption, prompt, column headers, buttons, notes; %s takes a time or
    // the NPA names of the settings concerned.
    {61347, "이전 상태로 복원"},
    {61348, "복원할 시점을 선택 하십시오. 설정을 프린터에 적용 할 때마다 그 전의 설정이 저장됩니다."},
    {61349, "저장 시각"},
    {61350, "현재와 다른 설정"},
    {61351, "설정"},
    {61352, "현재 값"},
    {61353, "이전 값"},
    {61354, "복원(&R)"},
    {61355, "취소"},
    {61356, "읽을 수 없음"},
    {61357, "현재 설정과 다른 설정이 없습니다."},
    {61358, "다음 설정은 이 시점에 기록되지 않아 복원되지 않습니다: %s"},
    {61359, "설정 복원"},
    {61360, "%s의 설정으로 프린터를 복원 하시겠습니까? 복원 하기 전의 설정도 이전 상태로 저장됩니다."},
    {61361, "이전 상태 없음"},
    {61362, "이 프린터의 저장된 이전 상태가 없습니다. 이전 상태는 설정을 프린터에 적용 할 때마다 저장됩니다."},
    // Export and import of settings files: caption and text pairs; %s takes the file's path (the
    // reason, in English, follows after a blank line), a model or the NPA names concerned.
    {61363, "설정 내보내기 실패"},
    {61364, "설정 파일 %s에 설정을 저장 할 수 없습니다."},
    {61365, "설정 가져오기 실패"},
    {61366, "설정 파일 %s을 가져올 수 없습니다. 아무 설정도 바꾸지 않았습니다."},
    {61367, "다른 모델의 설정 파일"},
    {61368, "이 설정 파일은 다른 모델(%s)의 설정입니다. 그래도 가져오시겠습니까?"},
    {61369, "설정 파일의 다음 설정은 이 프린터에 쓸 수 없어 아무 설정도 가져오지 않았습니다: %s"},
    {61370, "설정 가져오기 완료"},
    {61371, "설정 파일에서 %s개의 설정을 가져왔습니다. 프린터에 보내려면 적용을 선택 하십시오."},
    {61372, "설정 파일 (*.json)"},
    {61373, "설정 내보내기"},
    {61374, "설정 가져오기"},
    // The snapshot before an apply could not be written (the document's DOC_ERR_SNAPSHOT); %s is
    // the snapshot folder.
    {61390, "이전 상태 저장 실패"},
    {61391, "적용 하기 전의 프린터 설정을 이전 상태로 저장 할 수 없어 프린터에 아무 설정도 보내지 않았습니다. 폴더 %s에 쓸 수 있는지 확인 하고 다시 적용 하십시오."},
    // Accessible names of a number field's arrows.
    {61392, "증가"},
    {61393, "감소"},
    // Status-bar text when typed or pasted characters are not in the printer's code page; %s
    // takes the characters left out.
    {61394, "프린터의 코드 페이지에 없는 문자는 입력하지 않았습니다: %s"},
    // Accessible name and column header of the navigation tree.
    {61395, "설정 그룹"},
    // The status bar's confirmation after an apply that sent something; %s is how many settings.
    {61400, "설정 %s개를 프린터에 적용 했습니다."},
    // Under the message that no printer was found: what to check, and how to try the program.
    {61401, "프린터가 USB 또는 병렬 포트에 연결되어 켜져 있는지, CUPS에 프린터가 등록되어 있는지(lpstat -v) 확인 하십시오. 'devpanel-cli doctor'는 무엇이 빠졌는지 알려 줍니다. 프린터 없이 써 보려면 'devpanel --virtual'로 가상 프린터를 시작 하십시오."},
    // The steps of long work under its progress bar; %s takes "n / total".
    {61402, "현재 설정 읽기"},
    {61403, "오프라인 전환"},
    {61404, "설정 %s"},
    {61405, "온라인 전환"},
    {61406, "확인"},
};

constexpr size_t kCount = std::size(kTable);

constexpr bool SortedById() {
    for (size_t i = 1; i < kCount; ++i) {
        if (kTable[i - 1].id >= kTable[i].id) return false;
    }
    return true;
}
static_assert(SortedById(), "the string table must be sorted by id without duplicates");

const Entry* Find(int id) {
    const Entry* end = kTable + kCount;
    const Entry* it = std::lower_bound(kTable, end, id, [](const Entry& e, int key) { return e.id < key; });
    return (it != end && it->id == id) ? it : nullptr;
}

// Callers get references that live as long as the program, so the texts are turned into
// std::string once, in table order.
const std::array<std::string, kCount>& Texts() {
    static const std::array<std::string, kCount> texts = [] {
        std::array<std::string, kCount> out;
        for (size_t i = 0; i < kCount; ++i) out[i] = std::string(kTable[i].text);
        return out;
    }();
    return texts;
}

}  // namespace

const std::string& String(int id) {
    static const std::string empty;
    const Entry* e = Find(id);
    return e ? Texts()[static_cast<size_t>(e - kTable)] : empty;
}

bool HasString(int id) { return Find(id) != nullptr; }

std::string Format(int id, std::string_view value) {
    std::string text = String(id);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace res
