// Generated alongside app/texts.h: each constant with its readable text.
#pragma once
#include "app/texts.h"

struct ReadableText {
  const char *name;
  const char *gbk;
  const char *utf8;
};

inline constexpr ReadableText kReadableTexts[] = {
    {"kMainWindowTitle", kMainWindowTitle, "Vorhel颜色选择器   by Vorhel Software Lab"},
    {"kEngineCreateText", kEngineCreateText, "通过澄码调用New Pexo 2D"},
    {"kFontFaceMain", kFontFaceMain, "黑体"},
    {"kEngineFailedText", kEngineFailedText, "引擎初始化失败！"},
    {"kEngineFailedTitle", kEngineFailedTitle, "初始化失败"},
    {"kButtonCloseText", kButtonCloseText, "关闭"},
    {"kButtonLearnMoreText", kButtonLearnMoreText, "了解 岚穹引擎！"},
    {"kButtonCopyText", kButtonCopyText, "复制到剪贴板"},
    {"kLabelHintText", kLabelHintText, "提示：左键单击[复制到剪贴板]将复制十六进制颜色值。"},
    {"kReadoutRedPrefix", kReadoutRedPrefix, "红色（"},
    {"kReadoutGreenPrefix", kReadoutGreenPrefix, "绿色（"},
    {"kReadoutBluePrefix", kReadoutBluePrefix, "蓝色（"},
    {"kReadoutSuffix", kReadoutSuffix, "）"},
    {"kCopyDoneText", kCopyDoneText, "已复制到剪贴板！"},
    {"kCopyBoxTitle", kCopyBoxTitle, "复制颜色"},
    {"kCopyFailedText", kCopyFailedText, "复制失败：无法写入剪贴板。"},
    {"kFatalNoLibraryText", kFatalNoLibraryText, "无法加载引擎库："},
    {"kFatalNoEntryText", kFatalNoEntryText, "引擎库缺少入口："},
    {"kFatalEntrySeparator", kFatalEntrySeparator, "，入口："},
    {"kFatalNoWindowText", kFatalNoWindowText, "无法打开主窗口。"},
    {"kFatalNoMemoryText", kFatalNoMemoryText, "内存不足。"},
    {"kFatalTitle", kFatalTitle, "错误"},
    {"kFatalNoDirectoryText", kFatalNoDirectoryText, "无法确定程序目录。"},
};
