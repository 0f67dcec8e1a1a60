// The engine's own texts for players and script authors, as Shift-JIS bytes beside their UTF-8
// reading and a plain English one. The Shift-JIS form is what the engine shows; the UTF-8 one
// documents the text and lets a test check that both spell the same thing. The English reading is
// shown under the Japanese text when the player asks for it with `--messages ja+en`, so it says
// what a player needs to know rather than following the Japanese word for word, and keeps script
// keywords and line breaks as they are. New entries come from tools/sjis_literal.py.
#pragma once

#include <string>
#include <string_view>

namespace advplay {

struct EngineText {
    std::string_view sjis;
    std::string_view utf8;
    std::string_view english;
};

namespace texts {

// clang-format off
constexpr EngineText kUnknownCommand { "\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x83R\x83}\x83\x93\x83h\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "存在しないコマンドを指定しました", "The script names a command that does not exist." };
constexpr EngineText kMissingVariable { "\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x95\xcf\x90\x94\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "存在しない変数を指定しました", "The script names a variable that does not exist." };
constexpr EngineText kAssignToMissingVariable { "\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x95\xcf\x90\x94\x82\xc9\x91\xe3\x93\xfc\x82\xb5\x82\xe6\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "存在しない変数に代入しようとしました", "The script tried to assign to a variable that does not exist." };
constexpr EngineText kStartNotRunnable { "start\x82\xaa\x8e\xc0\x8ds\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1", "startが実行できません", "start cannot be run." };
constexpr EngineText kInvalidScenarioPath { "\x96\xb3\x8c\xf8\x82\xc8\x83V\x83i\x83\x8a\x83I\x83t\x83H\x83\x8b\x83_\x82\xdc\x82\xbd\x82\xcd\x83V\x83i\x83\x8a\x83I\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "無効なシナリオフォルダまたはシナリオファイルを指定しました", "The scenario folder or scenario file given is not valid." };
constexpr EngineText kFullScreenQuestion { "\x83t\x83\x8b\x83X\x83N\x83\x8a\x81[\x83\x93\x95\\\x8e\xa6\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81H", "フルスクリーン表示しますか？", "Show the game in full screen?" };
constexpr EngineText kCaseWithoutEnd { "\x81u.cas\x81v\x82\xcc\x8fI\x82\xed\x82\xe8\x82\xcc\x81u.\x81v\x82\xaa\x82\xc8\x82\xa2\x82\xdc\x82\xdc\x83t\x83@\x83" "C\x83\x8b\x8fI\x92[\x82\xc9\x92" "B\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.cas」の終わりの「.」がないままファイル終端に達しました", "The end of the file was reached without the \".\" that closes \".cas\"." };
constexpr EngineText kSkipWithoutEnd { "\x81u.\x81v\x82\xaa\x82\xc8\x82\xa2\x82\xdc\x82\xdc\x83t\x83@\x83" "C\x83\x8b\x8fI\x92[\x82\xc9\x92" "B\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.」がないままファイル終端に達しました", "The end of the file was reached without a \".\"." };
constexpr EngineText kJumpOutOfSubroutine { "\x81u.sub\x81v\x82\xc5\x82\xcc\x83W\x83\x83\x83\x93\x83v\x90\xe6\x82\xc5\x91\xbc\x82\xcc\x83t\x83@\x83" "C\x83\x8b\x82\xd6\x83W\x83\x83\x83\x93\x83v\x82\xb5\x82\xe6\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.sub」でのジャンプ先で他のファイルへジャンプしようとしました", "Code called with \".sub\" tried to jump to another file." };
constexpr EngineText kJumpFailed { "\x81u.jmp\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.jmp」に失敗しました", "\".jmp\" failed." };
constexpr EngineText kInvalidSubExit { "\x96\xb3\x8c\xf8\x82\xc8\x81u.sub exit\x81v\x82\xc5\x82\xb7", "無効な「.sub exit」です", "\".sub exit\" is not valid here." };
constexpr EngineText kSubExitFailed { "\x81u.sub exit\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.sub exit」に失敗しました", "\".sub exit\" failed." };
constexpr EngineText kSubFailed { "\x81u.sub\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.sub」に失敗しました", "\".sub\" failed." };
constexpr EngineText kSaveFailed { "\x83Z\x81[\x83u\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "セーブに失敗しました", "Saving failed." };
constexpr EngineText kLoadFailed { "\x83\x8d\x81[\x83h\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "ロードに失敗しました", "Loading failed." };
constexpr EngineText kCursorNotLoaded { "\x83J\x81[\x83\\\x83\x8b\x83t\x83@\x83" "C\x83\x8b\x82\xaa\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd", "カーソルファイルが読み込めませんでした", "The cursor file could not be read." };
constexpr EngineText kFullScreenUnsupported { "\x83O\x83\x89\x83t\x83" "B\x83" "b\x83N\x83X\x83\x82\x81[\x83h\x82\xcd\x83T\x83|\x81[\x83g\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\n\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x83\x82\x81[\x83h\x82\xc5\x8e\xc0\x8ds\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2", "グラフィックスモードはサポートされていません\nウィンドウモードで実行してください", "The graphics mode is not supported.\nPlease run the game in a window." };
constexpr EngineText kFullScreenFailed { "\x83t\x83\x8b\x83X\x83N\x83\x8a\x81[\x83\x93\x82\xc9\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\n\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x83\x82\x81[\x83h\x82\xc5\x8e\xc0\x8ds\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2", "フルスクリーンにできません\nウィンドウモードで実行してください", "Cannot switch to full screen.\nPlease run the game in a window." };
// advplay's own, for the player who asked to be asked before Escape or F12 closes the game.
constexpr EngineText kConfirmQuit { "\x83Q\x81[\x83\x80\x82\xf0\x8fI\x97\xb9\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81H", "ゲームを終了しますか？", "Quit the game?" };
constexpr EngineText kRestartMayHelp { "\x8d\xc4\x8bN\x93\xae\x82\xb7\x82\xea\x82\xce\x92\xbc\x82\xe9\x89\xc2\x94\\\x90\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81" "B", "再起動すれば直る可能性があります。", "Restarting may fix this." };
constexpr EngineText kCreateWindowFailed { "CreateWindow\x82\xc9\x8e\xb8\x94s", "CreateWindowに失敗", "CreateWindow failed." };
constexpr EngineText kMainWindowFailed { "CApp::CreateMainWindow\x82\xc9\x8e\xb8\x94s", "CApp::CreateMainWindowに失敗", "CApp::CreateMainWindow failed." };
constexpr EngineText kInvalidDestination { "\x83R\x83s\x81[\x90\xe6\x82\xcc\x8ew\x92\xe8\x82\xaa\x95s\x90\xb3\x82\xc5\x82\xb7", "コピー先の指定が不正です", "The copy destination is not valid." };
constexpr EngineText kMissingDestinationOffscreen { "\x83R\x83s\x81[\x90\xe6\x82\xc9\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x83I\x83t\x83X\x83N\x83\x8a\x81[\x83\x93\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "コピー先に存在しないオフスクリーンを指定しました", "The copy destination names an offscreen that does not exist." };
constexpr EngineText kMissingSourceOffscreen { "\x83R\x83s\x81[\x8c\xb3\x82\xc9\x91\xb6\x8d\xdd\x82\xb5\x82\xc8\x82\xa2\x83I\x83t\x83X\x83N\x83\x8a\x81[\x83\x93\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "コピー元に存在しないオフスクリーンを指定しました", "The copy source names an offscreen that does not exist." };
constexpr EngineText kSourceFileUnreadable { "\x83R\x83s\x81[\x8c\xb3\x82\xcc\x83t\x83@\x83" "C\x83\x8b\x82\xf0\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1", "コピー元のファイルを開けません", "The copy source file cannot be opened." };
constexpr EngineText kTransitionNeedsScreen { "\x83R\x83s\x81[\x90\xe6\x82\xaa\x81uscreen\x81v\x82\xc5\x82\xc8\x82\xa2\x8f\xea\x8d\x87\x83g\x83\x89\x83\x93\x83W\x83V\x83\x87\x83\x93\x82\xcd\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "コピー先が「screen」でない場合トランジションは無効です", "A transition has no effect unless the copy destination is \"screen\"." };
constexpr EngineText kSpriteColorSource { "\x81u.spr\x81v\x82\xc5\x82\xcd\x83R\x83s\x81[\x8c\xb3\x82\xc9\x90" "F\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xc4\x82\xe0\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "「.spr」ではコピー元に色を指定しても無効です", "\".spr\" does not accept a color as the copy source." };
constexpr EngineText kSpriteMethod2 { "\x81u.spr\x81v\x82\xc5\x82\xcd\x8d\x87\x90\xac\x95\xfb\x96@\x81u2\x81v\x82\xcd\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "「.spr」では合成方法「2」は無効です", "\".spr\" does not accept blend method \"2\"." };
constexpr EngineText kSpriteMethod3 { "\x81u.spr\x81v\x82\xc5\x82\xcd\x8d\x87\x90\xac\x95\xfb\x96@\x81u3\x81v\x82\xcd\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "「.spr」では合成方法「3」は無効です", "\".spr\" does not accept blend method \"3\"." };
constexpr EngineText kSpriteMethod6 { "\x81u.spr\x81v\x82\xc5\x82\xcd\x8d\x87\x90\xac\x95\xfb\x96@\x81u6\x81v\x82\xcd\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "「.spr」では合成方法「6」は無効です", "\".spr\" does not accept blend method \"6\"." };
constexpr EngineText kColorMethod6 { "\x8d\x87\x90\xac\x95\xfb\x96@\x81u6\x81v\x82\xc5\x82\xcd\x83R\x83s\x81[\x8c\xb3\x82\xc9\x90" "F\x82\xf0\x8ew\x92\xe8\x82\xb5\x82\xc4\x82\xe0\x96\xb3\x8c\xf8\x82\xc5\x82\xb7", "合成方法「6」ではコピー元に色を指定しても無効です", "Blend method \"6\" does not accept a color as the copy source." };
constexpr EngineText kTextSpaceSizeFailed { "\x81u.txt space size\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.txt space size」に失敗しました", "\".txt space size\" failed." };
constexpr EngineText kTextSpacePosFailed { "\x81u.txt space pos\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.txt space pos」に失敗しました", "\".txt space pos\" failed." };
constexpr EngineText kTextMagnificationFailed { "\x81u.txt font magnification\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.txt font magnification」に失敗しました", "\".txt font magnification\" failed." };
constexpr EngineText kPrintMagnificationFailed { "\x81u.tpr font magnification\x81v\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "「.tpr font magnification」に失敗しました", "\".tpr font magnification\" failed." };
constexpr EngineText kNoChoicesRegistered { "\x91I\x91\xf0\x8e\x88\x82\xaa\x93o\x98^\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xc8\x82\xa2\x82\xcc\x82\xc9\x91I\x91\xf0\x8e\x88\x82\xf0\x95\\\x8e\xa6\x82\xb5\x82\xe6\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "選択肢が登録されていないのに選択肢を表示しようとしました", "The script tried to show choices, but none have been registered." };
// Not a text of the original engine, whose choice table has room for 19 choices and no check.
constexpr EngineText kTooManyChoices { "\x91I\x91\xf0\x8e\x88\x82\xf0" "20\x8c\xc2\x88\xc8\x8f\xe3\x93o\x98^\x82\xb5\x82\xe6\x82\xa4\x82\xc6\x82\xb5\x82\xdc\x82\xb5\x82\xbd", "選択肢を20個以上登録しようとしました", "The script tried to register 20 or more choices." };
// Not a text of the original engine, whose call stack grew until memory ran out.
constexpr EngineText kCallsTooDeep { "\x81u.sub\x81v\x82\xcc\x8c\xc4\x82\xd1\x8fo\x82\xb5\x82\xaa\x90[\x82\xb7\x82\xac\x82\xdc\x82\xb7", "「.sub」の呼び出しが深すぎます", "\".sub\" calls are nested too deeply." };
// Not a text of the original engine, which kept the unexpanded reference when a string grew past
// its 16 MiB, without a word.
constexpr EngineText kExpansionTooLong { "\x93W\x8aJ\x82\xb5\x82\xbd\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x92\xb7\x82\xb7\x82\xac\x82\xdc\x82\xb7", "展開した文字列が長すぎます", "The expanded string is too long." };
// Not a text of the original engine, which declared variables until memory ran out.
constexpr EngineText kTooManyVariables { "\x90\xe9\x8c\xbe\x82\xb5\x82\xbd\x95\xcf\x90\x94\x82\xaa\x91\xbd\x82\xb7\x82\xac\x82\xdc\x82\xb7", "宣言した変数が多すぎます", "Too many variables have been declared." };
// Not a text of the original engine, whose string variables grew until memory ran out.
constexpr EngineText kStringsTooLarge { "\x95\xb6\x8e\x9a\x97\xf1\x95\xcf\x90\x94\x82\xcc\x8d\x87\x8cv\x82\xaa\x91\xe5\x82\xab\x82\xb7\x82\xac\x82\xdc\x82\xb7", "文字列変数の合計が大きすぎます", "The string variables are too large in total." };
// The debug line of an internal error: date, time and message fill the three "%s".
constexpr EngineText kInternalErrorLine { "%s %s SDK \x93\xe0\x95\x94\x83G\x83\x89\x81[ : %s\n", "%s %s SDK 内部エラー : %s\n", "%s %s SDK internal error : %s\n" };
// The media devices' failures, written to the internal-error log.
constexpr EngineText kAviOpenFailed { "CAVIOutput::AVI\x83" "f\x83o\x83" "C\x83X\x82\xaa\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::AVIデバイスがオープンできない。", "CAVIOutput::Cannot open the AVI device." };
constexpr EngineText kAviWindowFailed { "CAVIOutput::\x8d\xc4\x90\xb6\x90\xe6\x82\xcc\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x82\xf0\x90\xdd\x92\xe8\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::再生先のウィンドウを設定できない。", "CAVIOutput::Cannot set the window to play in." };
constexpr EngineText kAviDestinationFailed { "CAVIOutput::\x8d\xc4\x90\xb6\x90\xe6\x82\xcc\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x91S\x91\xcc\x82\xf0\x95\\\x8e\xa6\x97\xcc\x88\xe6\x82\xc9\x90\xdd\x92\xe8\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::再生先のウィンドウ全体を表示領域に設定できない。", "CAVIOutput::Cannot make the whole playback window the display area." };
constexpr EngineText kAviPlayFailed { "CAVIOutput::AVI\x83" "f\x83o\x83" "C\x83X\x82\xaa\x8d\xc4\x90\xb6\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::AVIデバイスが再生できない。", "CAVIOutput::Cannot play on the AVI device." };
constexpr EngineText kAviStopFailed { "CAVIOutput::AVI\x83" "f\x83o\x83" "C\x83X\x82\xaa\x92\xe2\x8e~\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::AVIデバイスが停止できない。", "CAVIOutput::Cannot stop the AVI device." };
constexpr EngineText kAviCloseFailed { "CAVIOutput::AVI\x83" "f\x83o\x83" "C\x83X\x82\xaa\x83N\x83\x8d\x81[\x83Y\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CAVIOutput::AVIデバイスがクローズできない。", "CAVIOutput::Cannot close the AVI device." };
constexpr EngineText kCdOpenFailed { "CCDDA::Open\x82\xc5MCI_OPEN\x82\xc9\x8e\xb8\x94s", "CCDDA::OpenでMCI_OPENに失敗", "CCDDA::Open: MCI_OPEN failed." };
constexpr EngineText kCdTrackLengthFailed { "CCDDA::Open\x82\xc5MCI_STATUS(MCI_STATUS_LENGTH)\x82\xc9\x8e\xb8\x94s", "CCDDA::OpenでMCI_STATUS(MCI_STATUS_LENGTH)に失敗", "CCDDA::Open: MCI_STATUS(MCI_STATUS_LENGTH) failed." };
constexpr EngineText kCdPlayOpenFailed { "CCDDA::Play\x82\xc5\x81" "AOpen\x82\xc9\x8e\xb8\x94s\x81" "B", "CCDDA::Playで、Openに失敗。", "CCDDA::Play: Open failed." };
constexpr EngineText kCdTrackBeyondLast { "CCDDA::Play\x82\xc5\x8d\xc4\x90\xb6\x83g\x83\x89\x83" "b\x83N\x82\xaa\x8d\xc5\x91\xe5\x83g\x83\x89\x83" "b\x83N\x90\x94\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xdc\x82\xb7", "CCDDA::Playで再生トラックが最大トラック数を超えています", "CCDDA::Play: the track to play is past the last track." };
constexpr EngineText kCdPlayFailed { "CCDDA::Play\x82\xc5MCI_PLAY\x82\xc9\x8e\xb8\x94s", "CCDDA::PlayでMCI_PLAYに失敗", "CCDDA::Play: MCI_PLAY failed." };
constexpr EngineText kCdPlayDwNotOpen { "CCDDA::PlayDW\x82\xaa\x81" "AOpen\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xc8\x82\xa2\x82\xcc\x82\xc9\x8c\xc4\x82\xd1\x8fo\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd", "CCDDA::PlayDWが、Openされていないのに呼び出されました", "CCDDA::PlayDW was called without Open." };
constexpr EngineText kCdPlayDwFailed { "CCDDA::PlayDW\x82\xc5MCI_PLAY\x82\xc9\x8e\xb8\x94s", "CCDDA::PlayDWでMCI_PLAYに失敗", "CCDDA::PlayDW: MCI_PLAY failed." };
constexpr EngineText kCdStopNotOpen { "CCDDA::Stop\x82\xaa\x81" "AOpen\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xc8\x82\xa2\x82\xcc\x82\xc9\x8c\xc4\x82\xd1\x8fo\x82\xb3\x82\xea\x82\xdc\x82\xb5\x82\xbd", "CCDDA::Stopが、Openされていないのに呼び出されました", "CCDDA::Stop was called without Open." };
constexpr EngineText kMp3OpenFailed { "CMIDIOutput::Mp3\x83" "f\x83o\x83" "C\x83X\x82\xaa\x83I\x81[\x83v\x83\x93\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CMIDIOutput::Mp3デバイスがオープンできない。", "CMIDIOutput::Cannot open the Mp3 device." };
constexpr EngineText kMp3StatusFailed { "CMIDIOutput::Mp3\x83" "f\x83o\x83" "C\x83X\x83X\x83" "e\x81[\x83^\x83X\x82\xaa\x93\xc7\x82\xdd\x8fo\x82\xb9\x82\xc8\x82\xa2\x81" "B", "CMIDIOutput::Mp3デバイスステータスが読み出せない。", "CMIDIOutput::Cannot read the Mp3 device status." };
constexpr EngineText kMp3StopFailed { "CMIDIOutput::Mp3\x83" "f\x83o\x83" "C\x83X\x82\xaa\x92\xe2\x8e~\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CMIDIOutput::Mp3デバイスが停止できない。", "CMIDIOutput::Cannot stop the Mp3 device." };
constexpr EngineText kMp3CloseFailed { "CMIDIOutput::Mp3\x83" "f\x83o\x83" "C\x83X\x82\xaa\x83N\x83\x8d\x81[\x83Y\x82\xc5\x82\xab\x82\xc8\x82\xa2\x81" "B", "CMIDIOutput::Mp3デバイスがクローズできない。", "CMIDIOutput::Cannot close the Mp3 device." };
// clang-format on

// Every text above, for the test that checks the spellings against each other and for finding
// the texts inside a message box.
constexpr EngineText kAll[] = {
    kUnknownCommand,
    kMissingVariable,
    kAssignToMissingVariable,
    kStartNotRunnable,
    kInvalidScenarioPath,
    kFullScreenQuestion,
    kCaseWithoutEnd,
    kSkipWithoutEnd,
    kJumpOutOfSubroutine,
    kJumpFailed,
    kInvalidSubExit,
    kSubExitFailed,
    kSubFailed,
    kSaveFailed,
    kLoadFailed,
    kCallsTooDeep,
    kExpansionTooLong,
    kTooManyVariables,
    kStringsTooLarge,
    kCursorNotLoaded,
    kFullScreenUnsupported,
    kFullScreenFailed,
    kConfirmQuit,
    kRestartMayHelp,
    kCreateWindowFailed,
    kMainWindowFailed,
    kInternalErrorLine,
    kInvalidDestination,
    kAviOpenFailed,
    kAviWindowFailed,
    kAviDestinationFailed,
    kAviPlayFailed,
    kAviStopFailed,
    kAviCloseFailed,
    kCdOpenFailed,
    kCdTrackLengthFailed,
    kCdPlayOpenFailed,
    kCdTrackBeyondLast,
    kCdPlayFailed,
    kCdPlayDwNotOpen,
    kCdPlayDwFailed,
    kCdStopNotOpen,
    kMp3OpenFailed,
    kMp3StatusFailed,
    kMp3StopFailed,
    kMp3CloseFailed,
    kMissingDestinationOffscreen,
    kMissingSourceOffscreen,
    kSourceFileUnreadable,
    kTransitionNeedsScreen,
    kSpriteColorSource,
    kSpriteMethod2,
    kSpriteMethod3,
    kSpriteMethod6,
    kColorMethod6,
    kTextSpaceSizeFailed,
    kTextSpacePosFailed,
    kTextMagnificationFailed,
    kPrintMagnificationFailed,
    kNoChoicesRegistered,
    kTooManyChoices,
};

// The English readings of the engine texts found in a whole message box text (Shift-JIS), in the
// order they occur and one a line; empty when the box holds none. The box may wrap a text in other
// words, as a script error's file and line do.
std::string english_reading(std::string_view sjis);
// The box text followed, after an empty line, by the English readings of the engine texts in it;
// the text alone when it holds none.
std::string with_english_reading(std::string_view sjis);

} // namespace texts

} // namespace advplay
