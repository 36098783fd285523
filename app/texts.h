// The program's constant texts, as GBK bytes. Each is shown readably beside
// its bytes; a unit test compares every one with iconv's GBK encoding of that
// readable text, so the two cannot drift apart.
#pragma once

// title of MainWindow (41 bytes): "Vorhel颜色选择器   by Vorhel Software Lab"
inline constexpr char kMainWindowTitle[] = "Vorhel\xd1\xd5\xc9\xab\xd1\xa1\xd4\xf1\xc6\xf7   by Vorhel Software Lab";
// argument 17 of the engine's creation: "通过澄码调用New Pexo 2D"
inline constexpr char kEngineCreateText[] = "\xcd\xa8\xb9\xfd\xb3\xce\xc2\xeb\xb5\xf7\xd3\xc3New Pexo 2D";
// face of FontMain: "黑体"
inline constexpr char kFontFaceMain[] = "\xba\xda\xcc\xe5";
// engine-creation failure box: text: "引擎初始化失败！"
inline constexpr char kEngineFailedText[] = "\xd2\xfd\xc7\xe6\xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc\xa3\xa1";
// engine-creation failure box: title: "初始化失败"
inline constexpr char kEngineFailedTitle[] = "\xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc";
// ButtonClose: "关闭"
inline constexpr char kButtonCloseText[] = "\xb9\xd8\xb1\xd5";
// ButtonLearnMore: "了解 岚穹引擎！"
inline constexpr char kButtonLearnMoreText[] = "\xc1\xcb\xbd\xe2 \xe1\xb0\xf1\xb7\xd2\xfd\xc7\xe6\xa3\xa1";
// ButtonCopy: "复制到剪贴板"
inline constexpr char kButtonCopyText[] = "\xb8\xb4\xd6\xc6\xb5\xbd\xbc\xf4\xcc\xf9\xb0\xe5";
// LabelHint: "提示：左键单击[复制到剪贴板]将复制十六进制颜色值。"
inline constexpr char kLabelHintText[] = "\xcc\xe1\xca\xbe\xa3\xba\xd7\xf3\xbc\xfc\xb5\xa5\xbb\xf7[\xb8\xb4\xd6\xc6\xb5\xbd\xbc\xf4\xcc\xf9\xb0\xe5]\xbd\xab\xb8\xb4\xd6\xc6\xca\xae\xc1\xf9\xbd\xf8\xd6\xc6\xd1\xd5\xc9\xab\xd6\xb5\xa1\xa3";
// red readout prefix: "红色（"
inline constexpr char kReadoutRedPrefix[] = "\xba\xec\xc9\xab\xa3\xa8";
// green readout prefix: "绿色（"
inline constexpr char kReadoutGreenPrefix[] = "\xc2\xcc\xc9\xab\xa3\xa8";
// blue readout prefix: "蓝色（"
inline constexpr char kReadoutBluePrefix[] = "\xc0\xb6\xc9\xab\xa3\xa8";
// readout suffix: "）"
inline constexpr char kReadoutSuffix[] = "\xa3\xa9";
// copy box: text: "已复制到剪贴板！"
inline constexpr char kCopyDoneText[] = "\xd2\xd1\xb8\xb4\xd6\xc6\xb5\xbd\xbc\xf4\xcc\xf9\xb0\xe5\xa3\xa1";
// copy box: title: "复制颜色"
inline constexpr char kCopyBoxTitle[] = "\xb8\xb4\xd6\xc6\xd1\xd5\xc9\xab";
// copy box when the clipboard could not be set: "复制失败：无法写入剪贴板。"
inline constexpr char kCopyFailedText[] = "\xb8\xb4\xd6\xc6\xca\xa7\xb0\xdc\xa3\xba\xce\xde\xb7\xa8\xd0\xb4\xc8\xeb\xbc\xf4\xcc\xf9\xb0\xe5\xa1\xa3";
// fatal stop, library missing: lead text: "无法加载引擎库："
inline constexpr char kFatalNoLibraryText[] = "\xce\xde\xb7\xa8\xbc\xd3\xd4\xd8\xd2\xfd\xc7\xe6\xbf\xe2\xa3\xba";
// fatal stop, entry point missing: lead text: "引擎库缺少入口："
inline constexpr char kFatalNoEntryText[] = "\xd2\xfd\xc7\xe6\xbf\xe2\xc8\xb1\xc9\xd9\xc8\xeb\xbf\xda\xa3\xba";
// fatal stop, library missing: between file and entry: "，入口："
inline constexpr char kFatalEntrySeparator[] = "\xa3\xac\xc8\xeb\xbf\xda\xa3\xba";
// fatal stop: main window cannot be opened: "无法打开主窗口。"
inline constexpr char kFatalNoWindowText[] = "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xd6\xf7\xb4\xb0\xbf\xda\xa1\xa3";
// fatal stop: out of memory: "内存不足。"
inline constexpr char kFatalNoMemoryText[] = "\xc4\xda\xb4\xe6\xb2\xbb\xd7\xe3\xa1\xa3";
// fatal stop: title of its box: "错误"
inline constexpr char kFatalTitle[] = "\xb4\xed\xce\xf3";
// fatal stop: the program's own directory cannot be found: "无法确定程序目录。"
inline constexpr char kFatalNoDirectoryText[] = "\xce\xde\xb7\xa8\xc8\xb7\xb6\xa8\xb3\xcc\xd0\xf2\xc4\xbf\xc2\xbc\xa1\xa3";
