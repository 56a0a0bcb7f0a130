// The string table: every user-visible text of the program, UTF-8, by numeric id, in Korean and
// in English. The ids are fixed because devPanel.ini names tree captions and value labels by id.
#include "strings/string_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace res {
namespace {

struct Entry {
    int id;
    std::string_view korean;
    std::string_view english;
};

// Sorted by id: String() searches it by halves.
constexpr Entry kTable[] = {
    // Menu help texts of the program's own commands (the part after "\n" is a short name).
    {32772, "다른 운영 시스템에서 사용하기 위해 설정 변경 사항을 코멘드 파일에 저장.",
     "Save the setting changes to a command file for use from another operating system."},
    {32774, "변경사항을 프린터에 적용",
     "Apply the changes to the printer"},
    {32775, "다른 프린터에서 사용하기 위해 현재 설정을 설정 파일로 내보내기\n내보내기",
     "Export the current settings to a settings file for use with another printer\nExport"},
    {32776, "설정 파일의 설정을 가져와 변경 사항으로 표시\n가져오기",
     "Import the settings of a settings file and show them as changes\nImport"},
    {32777, "설정을 적용 하기 전의 이전 상태로 프린터 설정을 복원\n복원",
     "Restore the printer's settings to an earlier state, as they were before an apply\nRestore"},
    // Application and main-window title.
    {57344, "Altrin Pressline T90 설정 유틸리티",
     "Altrin Pressline T90 Settings Utility"},
    // Status-bar texts of the framework commands: idle message, menu help, pane switching.
    {57345, "준비됨",
     "Ready"},
    {57664, "프로그램 정보, 버전 번호 및 저작권\n정보 표시",
     "Display program information, version number and copyright\nAbout"},
    {57665, "응용프로그램 중지; 설정 적용 표시\n마침",
     "Quit the application; offers to apply the settings\nExit"},
    {57680, "다음 창으로 변경\n다음 창",
     "Switch to the next window pane\nNext Pane"},
    {57681, "이전의 창으로 변경\n이전 창",
     "Switch back to the previous window pane\nPrevious Pane"},
    // Status-bar texts of the system menu.
    {61184, "창 사이즈 변경",
     "Change the window size"},
    {61185, "창 위치 변경",
     "Change the window position"},
    {61186, "창을 아이콘으로 축소",
     "Reduce the window to an icon"},
    {61187, "창 사이즈를 최대로 확대",
     "Enlarge the window to full size"},
    {61190, "현재 창을 닫고 설정 적용을 선택 하십시오.",
     "Close the active window and choose whether to apply the settings."},
    {61202, "창을 표준 사이즈로 복구",
     "Restore the window to normal size"},
    // Start-up messages: text and caption pairs.
    {61203, "지정한 프린터의 포트를 찾을 수가 없습니다. 프린터 연결 상태를 확인하고 드라이버가 제대로 설치되 있는지 확인 하십시오.",
     "The port of the selected printer cannot be found. Check the printer's connection and that its driver is installed correctly."},
    {61204, "지정한 프린터의 포트를 찾을 수가 없습니다.",
     "The port of the selected printer cannot be found."},
    {61205, "직접 연결된 프린터를 찾을수 없습니다. 프린터 연결 상태를 확인 하고 드라이버가 제대로 설치되 있는지 확인 하십시오.",
     "No directly attached printer can be found. Check the printer's connection and that its driver is installed correctly."},
    {61206, "직접 연결된 프린터가 없습니다.",
     "No directly attached printer."},
    {61207, "프린터와 통신을 할수 없습니다. 프린터가 연결되어 있고 전원이 켜져 있는지 확인 하십시오.",
     "Cannot communicate with the printer. Make sure that the printer is connected and turned on."},
    {61208, "종신 오류",
     "Fatal Error"},
    {61209, "시스템 레지스트리에서 필요한 프린터 정보를 읽을수 가 없습니다. 프린터 드라이버가 제대로 설치되 있는지 확인 하십시오.",
     "The printer information needed cannot be read from the system registry. Check that the printer driver is installed correctly."},
    {61210, "프린터 정보 없음",
     "No Printer Information"},
    // Tree node captions (devPanel.ini refers to them through "StringId").
    {61211, "포트",
     "Ports"},
    {61212, "병렬",
     "Parallel"},
    {61213, "USB",
     "USB"},
    {61214, "용지",
     "Paper"},
    {61215, "용지 종류",
     "Paper Texture"},
    {61216, "트레이 1",
     "Tray 1"},
    {61217, "용지 무게",
     "Paper Weight"},
    {61218, "용지 종류",
     "Paper Type"},
    {61219, "사용자",
     "Custom"},
    {61220, "이름",
     "Name"},
    {61221, "PCL 에뮬레이션",
     "PCL Emulation"},
    {61222, "트레이 번호",
     "Tray Renumber"},
    {61223, "포스트스크립트",
     "PostScript"},
    {61224, "설정",
     "Setup"},
    {61225, "마무리",
     "Finishing"},
    // Value labels: blank pages and separator sheets.
    {61231, "인쇄 금지",
     "Do Not Print"},
    {61232, "인쇄",
     "Print"},
    {61233, "없음",
     "None"},
    {61234, "인쇄 사이에",
     "Between Copies"},
    {61235, "작업 사이에",
     "Between Jobs"},
    {61236, "페이지 사이에",
     "Between Pages"},
    // Messages of the document and the frame: text and caption pairs.
    {61239, "양방향 지원 불가능",
     "Two-Way Communication Unavailable"},
    {61240, "이 프린터가 연결되어 있는 운영 시스템의 영향으로, 프린터의 설정값이 실제 설정과 다르게 보일수도 있습니다.",
     "Because of the operating system this printer is attached to, the settings shown may differ from the printer's actual settings."},
    {61242, "변경사항을 적용 하시겠습니까?",
     "Apply the changes?"},
    {61243, "프린터 설정이 변경 되었지만 적용 되지 않았습니다. 변경 사항을 지금 적용 하시겠습니까?",
     "The printer settings have been changed but not applied. Do you want to apply the changes now?"},
    {61244, "설정 적용 실패",
     "Apply Settings Failed"},
    {61245, "설정사항을 프린트에 저용 할수 없습니다. 프린터가 연결되어 있고 전원이 켜져 있는지 확인 하십시오.",
     "The settings cannot be applied to the printer. Make sure that the printer is connected and turned on."},
    // Value labels (devPanel.ini refers to them through "ValueIds").
    {61246, "꺼짐",
     "Off"},
    {61247, "단일",
     "Single"},
    {61248, "계속",
     "Continuous"},
    {61250, "표준",
     "Standard"},
    {61251, "고속 바이트",
     "Fastbytes"},
    {61252, "부드럽게",
     "Smooth"},
    {61253, "보통",
     "Normal"},
    {61254, "거칠게",
     "Rough"},
    {61255, "가볍게",
     "Light"},
    {61256, "무겁게",
     "Heavy"},
    {61257, "카드 용지",
     "Card Stock"},
    {61258, "OHP 필름",
     "Transparency"},
    {61259, "라벨",
     "Labels"},
    {61260, "봉투",
     "Envelope"},
    {61261, "내장",
     "Resident"},
    {61262, "플레시/디스크",
     "Flash/Disk"},
    {61264, "PS 2 에뮬레이션",
     "PS 2 Emulation"},
    {61265, "PPDS 에뮬레이션",
     "PPDS Emulation"},
    {61266, "켜짐",
     "On"},
    {61267, "자동",
     "Auto"},
    {61268, "English",
     "English"},
    {61269, "Français",
     "Français"},
    {61270, "Deutsch",
     "Deutsch"},
    {61271, "Italiano",
     "Italiano"},
    {61272, "Español",
     "Español"},
    {61273, "Dansk",
     "Dansk"},
    {61274, "Norsk",
     "Norsk"},
    {61275, "Nederlands",
     "Nederlands"},
    {61276, "Svenska",
     "Svenska"},
    {61277, "Português",
     "Português"},
    {61278, "Suomi",
     "Suomi"},
    {61279, "Japanese",
     "Japanese"},
    {61280, "전체 페이지",
     "Full Page"},
    {61281, "플래시",
     "Flash"},
    {61282, "다운로드",
     "Download"},
    {61283, "198 mm",
     "198 mm"},
    {61284, "203 mm",
     "203 mm"},
    // Messages of apply and save: text and caption pairs.
    {61287, "메모리가 부족 합니다.",
     "Out of Memory"},
    {61288, "설정을 변경 하기 위한 시스템 메모리가 부족 합니다. 다른 응용프로그램을 모두 닫고 다시 시도 하십시오.",
     "There is not enough system memory to change the settings. Close all other applications and try again."},
    {61289, "코멘드 파일 만들기 실패",
     "Command File Not Created"},
    {61290, "코멘드 파일 %s에 설정을 저장 할 수 없습니다.",
     "The settings cannot be saved to the command file %s."},
    // Page titles: each page's place in the tree, with a leading blank.
    {61291, " 용지",
     " Paper"},
    {61292, " 용지  >  사용자",
     " Paper  >  Custom"},
    {61294, " 용지  >  용지 종류",
     " Paper  >  Paper Texture"},
    {61295, " 용지  >  용지 무게",
     " Paper  >  Paper Weight"},
    {61296, " 마무리",
     " Finishing"},
    {61297, " 설정",
     " Setup"},
    {61298, " PCL 에뮬레이션",
     " PCL Emulation"},
    {61299, " PCL 에뮬레이션  >  트레이 번호",
     " PCL Emulation  >  Tray Renumber"},
    {61300, " 포스트스크립트",
     " PostScript"},
    {61301, " 포트  >  병렬",
     " Ports  >  Parallel"},
    {61302, " 포트  >  USB",
     " Ports  >  USB"},
    // Face name of the page title lines.
    {61303, "굴림",
     "Gulim"},
    // Message-pane texts while a transaction runs.
    {61304, "프린터에 설정을 적용 하고 있습니다. 잠시 기다리십시오...",
     "Applying the settings to the printer. Please wait..."},
    {61305, "설정을 코멘드 파일에 저장합니다.  잠시 기다리십시오...",
     "Saving the settings to the command file.  Please wait..."},
    // Value labels: paper types and paper sizes.
    {61308, "일반 용지",
     "Plain Paper"},
    {61309, "본드",
     "Bond"},
    {61310, "레터 헤드",
     "Letterhead"},
    {61311, "이면지",
     "Preprinted"},
    {61312, "색상 용지",
     "Colored Paper"},
    {61313, "사용자 지정 1",
     "Custom Type 1"},
    {61314, "사용자 지정 2",
     "Custom Type 2"},
    {61315, "사용자 지정 3",
     "Custom Type 3"},
    {61316, "사용자 지정 4",
     "Custom Type 4"},
    {61317, "사용자 지정 5",
     "Custom Type 5"},
    {61318, "사용자 지정 6",
     "Custom Type 6"},
    {61319, "레터",
     "Letter"},
    {61320, "A4",
     "A4"},
    {61321, "리갈",
     "Legal"},
    {61322, "A5",
     "A5"},
    {61323, "JIS B5",
     "JIS B5"},
    {61324, "Executive",
     "Executive"},
    {61325, "유니버설",
     "Universal"},
    {61326, "7 3/4 봉투",
     "7 3/4 Envelope"},
    {61327, "9 봉투",
     "9 Envelope"},
    {61328, "10 봉투",
     "10 Envelope"},
    {61329, "DL 봉투",
     "DL Envelope"},
    {61330, "C5 봉투",
     "C5 Envelope"},
    {61331, "B5 봉투",
     "B5 Envelope"},
    {61332, "기타 봉투",
     "Other Envelope"},
    // Outcomes of apply beyond success and a plain failure: caption and text pairs; %s takes
    // the NPA names of the settings concerned, joined by ", ".
    {61333, "프린터 온라인 전환 실패",
     "Printer Not Back Online"},
    {61334, "설정을 프린터에 보냈지만 프린터가 아직 오프라인 상태일 수 있습니다. 프린터의 조작판에서 프린터를 다시 온라인으로 전환 하거나 프린터를 껐다가 다시 켜십시오.",
     "The settings were sent, but the printer may still be offline. Put the printer back online from its operator panel, or turn it off and on again."},
    {61335, "설정 확인 실패",
     "Settings Not Confirmed"},
    {61336, "다음 설정이 프린터에 적용되지 않았습니다: %s\n설정을 다시 적용 하십시오.",
     "These settings did not take effect on the printer: %s\nApply the settings again."},
    {61337, "설정 값 오류",
     "Invalid Setting Value"},
    {61338, "다음 설정의 값은 프린터에 보낼 수 없습니다: %s\n프린터에는 아무 설정도 보내지 않았습니다. 값을 확인 하고 다시 적용 하십시오.",
     "The values of these settings cannot be sent to the printer: %s\nNo settings were sent to the printer. Check the values and apply again."},
    {61339, "설정 적용 완료",
     "Settings Applied"},
    {61340, "설정을 프린터에 적용 했습니다.\n다음 설정은 프린터에서 읽은 값을 그대로 다시 쓸 수 없어 바꾸지 않았습니다: %s",
     "The settings were applied to the printer.\nThese settings were left unchanged because the values read from the printer cannot be written back as they are: %s"},
    {61341, "설정 확인 실패",
     "Settings Not Confirmed"},
    {61342, "설정을 프린터에 보냈지만 프린터에서 다시 읽어 적용 여부를 확인 할 수 없습니다. 프린터 연결 상태를 확인 하고 다시 적용 하십시오.",
     "The settings were sent, but reading them back from the printer to confirm them failed. Check the printer's connection and apply again."},
    // Start-up messages that end the program: caption and text pairs; %s takes the file's path,
    // and the reason, in English, follows after a blank line.
    {61343, "설정 파일 오류",
     "Configuration File Error"},
    {61344, "설정 파일 %s에 문제가 있어 사용할 수 없습니다. 파일을 확인 하거나 프로그램을 다시 설치 하십시오.",
     "The configuration file %s has a problem and cannot be used. Check the file or reinstall the program."},
    {61345, "가상 프린터 오류",
     "Virtual Printer Error"},
    {61346, "가상 프린터를 시작할 수 없습니다. 상태 파일 %s에는 아무것도 쓰지 않았습니다. 파일을 확인 하거나 다른 상태 파일을 지정 하십시오.",
     "The virtual printer cannot be started. Nothing was written to the state file %s. Check the file or name another state file."},
    // The restore dialog: caption, prompt, column headers, buttons, notes; %s takes a time or
    // the NPA names of the settings concerned.
    {61347, "이전 상태로 복원",
     "Restore Earlier State"},
    {61348, "복원할 시점을 선택 하십시오. 설정을 프린터에 적용 할 때마다 그 전의 설정이 저장됩니다.",
     "Choose the point to restore. The previous settings are saved each time settings are applied to the printer."},
    {61349, "저장 시각",
     "Saved At"},
    {61350, "현재와 다른 설정",
     "Settings That Differ"},
    {61351, "설정",
     "Setting"},
    {61352, "현재 값",
     "Current Value"},
    {61353, "이전 값",
     "Earlier Value"},
    {61354, "복원(&R)",
     "&Restore"},
    {61355, "취소",
     "Cancel"},
    {61356, "읽을 수 없음",
     "Unreadable"},
    {61357, "현재 설정과 다른 설정이 없습니다.",
     "No setting differs from the current settings."},
    {61358, "다음 설정은 이 시점에 기록되지 않아 복원되지 않습니다: %s",
     "These settings were not recorded at this point and will not be restored: %s"},
    {61359, "설정 복원",
     "Restore Settings"},
    {61360, "%s의 설정으로 프린터를 복원 하시겠습니까? 복원 하기 전의 설정도 이전 상태로 저장됩니다.",
     "Restore the printer to its settings of %s? The settings before the restore are saved as an earlier state too."},
    {61361, "이전 상태 없음",
     "No Earlier State"},
    {61362, "이 프린터의 저장된 이전 상태가 없습니다. 이전 상태는 설정을 프린터에 적용 할 때마다 저장됩니다.",
     "No earlier state of this printer has been saved. An earlier state is saved each time settings are applied to the printer."},
    // Export and import of settings files: caption and text pairs; %s takes the file's path (the
    // reason, in English, follows after a blank line), a model or the NPA names concerned.
    {61363, "설정 내보내기 실패",
     "Export Settings Failed"},
    {61364, "설정 파일 %s에 설정을 저장 할 수 없습니다.",
     "The settings cannot be saved to the settings file %s."},
    {61365, "설정 가져오기 실패",
     "Import Settings Failed"},
    {61366, "설정 파일 %s을 가져올 수 없습니다. 아무 설정도 바꾸지 않았습니다.",
     "The settings file %s cannot be imported. No settings were changed."},
    {61367, "다른 모델의 설정 파일",
     "Settings File of Another Model"},
    {61368, "이 설정 파일은 다른 모델(%s)의 설정입니다. 그래도 가져오시겠습니까?",
     "This settings file holds the settings of another model (%s). Import it anyway?"},
    {61369, "설정 파일의 다음 설정은 이 프린터에 쓸 수 없어 아무 설정도 가져오지 않았습니다: %s",
     "These settings of the settings file cannot be written to this printer, so no settings were imported: %s"},
    {61370, "설정 가져오기 완료",
     "Settings Imported"},
    {61371, "설정 파일에서 %s개의 설정을 가져왔습니다. 프린터에 보내려면 적용을 선택 하십시오.",
     "%s settings were imported from the settings file. Choose Apply to send them to the printer."},
    {61372, "설정 파일 (*.json)",
     "Settings files (*.json)"},
    {61373, "설정 내보내기",
     "Export Settings"},
    {61374, "설정 가져오기",
     "Import Settings"},
    // The snapshot before an apply could not be written (the document's DOC_ERR_SNAPSHOT); %s is
    // the snapshot folder.
    {61390, "이전 상태 저장 실패",
     "Earlier State Not Saved"},
    {61391, "적용 하기 전의 프린터 설정을 이전 상태로 저장 할 수 없어 프린터에 아무 설정도 보내지 않았습니다. 폴더 %s에 쓸 수 있는지 확인 하고 다시 적용 하십시오.",
     "The printer's settings before the apply could not be saved as an earlier state, so no settings were sent to the printer. Check that the folder %s can be written to, and apply again."},
    // Accessible names of a number field's arrows.
    {61392, "증가",
     "Increase"},
    {61393, "감소",
     "Decrease"},
    // Status-bar text when typed or pasted characters are not in the printer's code page; %s
    // takes the characters left out.
    {61394, "프린터의 코드 페이지에 없는 문자는 입력하지 않았습니다: %s",
     "Characters not in the printer's code page were not typed: %s"},
    // Accessible name and column header of the navigation tree.
    {61395, "설정 그룹",
     "Setting Groups"},
    // The status bar's confirmation after an apply that sent something; %s is how many settings.
    {61400, "설정 %s개를 프린터에 적용 했습니다.",
     "%s settings applied to the printer."},
    // Under the message that no printer was found: what to check, and how to try the program.
    {61401, "프린터가 USB 또는 병렬 포트에 연결되어 켜져 있는지, CUPS에 프린터가 등록되어 있는지(lpstat -v) 확인 하십시오. 'devpanel-cli doctor'는 무엇이 빠졌는지 알려 줍니다. 프린터 없이 써 보려면 'devpanel --virtual'로 가상 프린터를 시작 하십시오.",
     "Check that the printer is attached to a USB or parallel port and turned on, and that CUPS knows it (lpstat -v). 'devpanel-cli doctor' tells what is missing. To try the program without a printer, start the virtual printer with 'devpanel --virtual'."},
    // The steps of long work under its progress bar; %s takes "n / total".
    {61402, "현재 설정 읽기",
     "Reading current settings"},
    {61403, "오프라인 전환",
     "Going offline"},
    {61404, "설정 %s",
     "Settings %s"},
    {61405, "온라인 전환",
     "Going online"},
    {61406, "확인",
     "Verifying"},
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

// Callers get references that live as long as the program, so the texts of both languages are
// turned into std::string once, in table order; switching the language then hands out the other
// array's references and never frees a text someone still holds.
using TextArray = std::array<std::string, kCount>;

const TextArray& Texts(Language language) {
    static const TextArray korean = [] {
        TextArray out;
        for (size_t i = 0; i < kCount; ++i) out[i] = std::string(kTable[i].korean);
        return out;
    }();
    static const TextArray english = [] {
        TextArray out;
        for (size_t i = 0; i < kCount; ++i) out[i] = std::string(kTable[i].english);
        return out;
    }();
    return language == Language::English ? english : korean;
}

}  // namespace

const std::string& String(int id) { return String(id, CurrentLanguage()); }

const std::string& String(int id, Language language) {
    static const std::string empty;
    const Entry* e = Find(id);
    return e ? Texts(language)[static_cast<size_t>(e - kTable)] : empty;
}

std::vector<int> StringIds() {
    std::vector<int> ids;
    ids.reserve(kCount);
    for (const Entry& e : kTable) ids.push_back(e.id);
    return ids;
}

bool HasString(int id) { return Find(id) != nullptr; }

std::string Format(int id, std::string_view value) {
    std::string text = String(id);
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace res
