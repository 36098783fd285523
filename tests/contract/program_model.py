"""What the program must ask of the engine, written from the program's tables:
the creation, the control panel, the frame routine, the render pass and the
copy. Each builder returns trace lines as the recording engine writes them,
with its own packing of colours (see tests/recorder/recorder.h), so a test
compares them with a trace as they stand."""

from recorded_run import PLACE, call_line, f32
from palette import SWATCH_COLOURS

INT32_MAX, INT32_MIN = 2**31 - 1, -2**31

BUTTON_CLOSE, SCROLL_RED, SCROLL_GREEN, SCROLL_BLUE = 100, 102, 104, 106
LABEL_HINT, BUTTON_LEARN_MORE, BUTTON_COPY = 107, 108, 109
CHANNELS = (SCROLL_RED, SCROLL_GREEN, SCROLL_BLUE)
PROP_VALUE, EVENT_CLICK, FONT_MAIN = 7, 2, 100

TITLE = "Vorhel颜色选择器   by Vorhel Software Lab"
ENGINE_TEXT = "通过澄码调用New Pexo 2D"
FONT_FACE = "黑体"


def gbk(text):
    return text.encode("gbk")


def pack(a, r, g, b):
    """Tool_ARGB of the recording engine: g<<24 | a<<16 | b<<8 | r."""
    word = (g & 255) << 24 | (a & 255) << 16 | (b & 255) << 8 | (r & 255)
    return word - 2**32 if word >= 2**31 else word


def truncate(value):
    """A channel value as the program must turn it into an integer: toward
    zero, with NaN as 0 and values beyond either end saturated."""
    if value != value:
        return 0
    if value >= 2**31:
        return INT32_MAX
    if value < -2**31:
        return INT32_MIN
    return int(value)


def argb(a, r, g, b):
    return call_line("Tool_ARGB", a, r, g, b, result=pack(a, r, g, b))


def quad(left, top, right, bottom, colours, filled, layer):
    return call_line("Render_Draw2DQuad", float(left), float(top), float(right), float(bottom),
                     *colours, 0, 0, 0, 0, 0, filled, layer)


WHITE = pack(255, 255, 255, 255)


def white_outline(left, top, right, bottom, layer):
    return [argb(255, 255, 255, 255)] * 4 + [quad(left, top, right, bottom, [WHITE] * 4, 0, layer)]


# --- the palette --------------------------------------------------------------


class Swatch:
    def __init__(self, number, colour):
        column, row = (number - 1) // 7 + 1, (number - 1) % 7 + 1
        self.number = number
        self.left, self.top = 510 + 40 * (column - 1), 220 + 40 * (row - 1)
        self.right, self.bottom = self.left + 40, self.top + 40
        self.colour = colour

    def holds(self, x, y):
        return self.left <= x <= self.right and self.top <= y <= self.bottom

    @property
    def hover_square(self):
        return (self.left - 20, self.top - 20, self.right + 20, self.bottom + 20)


SWATCHES = [Swatch(n, c) for n, c in enumerate(SWATCH_COLOURS, start=1)]


def hits(mouse):
    """The swatches under the mouse, in list order (none if unwritten)."""
    if mouse is None:
        return []
    x, y = f32(mouse[0]), f32(mouse[1])
    return [s for s in SWATCHES if s.holds(x, y)]


# --- start-up and the panel ---------------------------------------------------

def creation_line(window, log_path, result):
    return call_line("System_CreateKV2D", 1, window, 1, 1, 1, 0, 1, 0, 1, 800, 600, 32, -1, 0, 0,
                     b"", gbk(ENGINE_TEXT), log_path, 1, result=result)


FONT_LINE = call_line("Resource_LoadFont", FONT_MAIN, gbk(FONT_FACE), 10, 25, 20, 0)

RED_OPAQUE, WHITE_TRANSLUCENT, GREEN_OPAQUE, TRANSPARENT = (255, 255, 0, 0), (100, 255, 255, 255), \
    (255, 0, 255, 0), (0, 0, 0, 0)

# id, left, top, right, bottom, text
BUTTONS = {
    BUTTON_CLOSE: (690.0, 560.0, 790.0, 590.0, "关闭"),
    BUTTON_LEARN_MORE: (15.0, 560.0, 150.0, 590.0, "了解 岚穹引擎！"),
    BUTTON_COPY: (520.0, 560.0, 650.0, 590.0, "复制到剪贴板"),
}
SCROLL_BARS = {SCROLL_RED: (60.0, 80.0), SCROLL_GREEN: (115.0, 135.0), SCROLL_BLUE: (170.0, 190.0)}
HINT = "提示：左键单击[复制到剪贴板]将复制十六进制颜色值。"


def button_lines(id):
    left, top, right, bottom, text = BUTTONS[id]
    return [argb(*RED_OPAQUE), argb(*WHITE_TRANSLUCENT), argb(*GREEN_OPAQUE),
            call_line("GUI_AddButton", id, left, top, right, bottom, FONT_MAIN, pack(*RED_OPAQUE), gbk(text),
                      1, 0, 0, pack(*WHITE_TRANSLUCENT), pack(*GREEN_OPAQUE), *[0] * 10, -1)]


def scroll_bar_lines(id):
    top, bottom = SCROLL_BARS[id]
    return [argb(*WHITE_TRANSLUCENT), argb(*RED_OPAQUE),
            call_line("GUI_AddScrollBar", id, 550.0, top, 750.0, bottom, 0, pack(*WHITE_TRANSLUCENT),
                      pack(*RED_OPAQUE), *[0] * 10, 255.0, 0, 0, -1)]


def label_lines():
    return [argb(*RED_OPAQUE), argb(*TRANSPARENT),
            call_line("GUI_AddLabel", LABEL_HINT, 15.0, 520.0, 700.0, 550.0, FONT_MAIN, pack(*RED_OPAQUE),
                      gbk(HINT), 1, 0, 0, 0, 0, pack(*TRANSPARENT), -1)]


def receiver_line(id, handler):
    return call_line("GUI_SetEvenReceiver", id, EVENT_CLICK, handler, -1)


def panel_lines(on_close, on_learn_more, on_copy):
    return (button_lines(BUTTON_CLOSE) + [receiver_line(BUTTON_CLOSE, on_close)]
            + scroll_bar_lines(SCROLL_RED) + scroll_bar_lines(SCROLL_GREEN) + scroll_bar_lines(SCROLL_BLUE)
            + label_lines()
            + button_lines(BUTTON_LEARN_MORE) + [receiver_line(BUTTON_LEARN_MORE, on_learn_more)]
            + button_lines(BUTTON_COPY) + [receiver_line(BUTTON_COPY, on_copy)])


# --- a frame ------------------------------------------------------------------

def frame_routine_lines(clicks=(), key_up=0):
    """OnFrame; clicks: the lines of each handler that its GUI_OnEven runs."""
    lines = ["enter frame", call_line("InputWin32_KeyUp", 13, result=key_up), "GUI_OnEven"]
    for click in clicks:
        lines += click
    return lines + ["Media_MediaOnEvent", "leave frame -> 1"]


def value_reads(values):
    return [call_line("GUI_GetGUIObjFloatValue", id, PROP_VALUE, result=float(values.get(id, 0.0)))
            for id in CHANNELS]


def copy_click_lines(values):
    """OnCopyClicked: reads the three bars, packs the colour, nothing more of the engine."""
    channels = [truncate(values.get(id, 0.0)) for id in CHANNELS]
    return (["enter click 109"] + value_reads(values) + [argb(255, *channels)]
            + ["leave click 109 -> 1"])


def learn_more_click_lines():
    return ["enter click 108", "leave click 108 -> 1"]


READOUTS = ((SCROLL_RED, "红色（", 30), (SCROLL_GREEN, "绿色（", 85), (SCROLL_BLUE, "蓝色（", 140))


def readout_text(prefix, value):
    return gbk(prefix) + str(value).encode() + gbk("）")


def render_lines(values, mouse=None, key_state=0):
    """OnRender with the bars holding values (id -> float) and the mouse at
    mouse (None: unwritten). Returns the lines and the values afterwards."""
    values = dict(values)
    channels = [truncate(values.get(id, 0.0)) for id in CHANNELS]
    lines = ["enter render", argb(0, 0, 0, 0), call_line("Render_Clear", pack(0, 0, 0, 0)), "Render_BeginScene"]
    lines += value_reads(values)
    for (id, prefix, y), value in zip(READOUTS, channels):
        lines += [argb(255, 255, 255, 0),
                  call_line("Render_RenderFont", readout_text(prefix, value), 550, y, pack(255, 255, 255, 0), 1,
                            FONT_MAIN)]
    lines.append("GUI_RenderAll")

    lines += value_reads(values)
    lines += [argb(255, *channels), quad(16, 16, 499, 499, [pack(255, *channels)] * 4, 1, 0)]
    for s in SWATCHES:
        lines += [argb(255, *s.colour), quad(s.left, s.top, s.right, s.bottom, [pack(255, *s.colour)] * 4, 1, 0)]

    lines += white_outline(15, 15, 500, 500, 0)
    for row in range(7):
        for column in range(7):
            left, top = 510 + 40 * column, 220 + 40 * row
            lines += white_outline(left, top, left + 40, top + 40, 0)
    lines.append(call_line("InputWin32_GetMousePos", PLACE, PLACE))
    for s in hits(mouse):
        colour = pack(255, *s.colour)
        lines.append(quad(*s.hover_square, [colour] * 4, 1, 2))
        lines += white_outline(*s.hover_square, 2)
        lines.append(call_line("InputWin32_GetTheKeyState", 1, result=key_state))
        if key_state == 1:
            lines += [call_line(name, colour, result=channel)
                      for name, channel in zip(("Tool_GetR", "Tool_GetG", "Tool_GetB"), s.colour)]
            for id, channel in zip(CHANNELS, s.colour):
                lines.append(call_line("GUI_SetGUIObjValue_Float", id, PROP_VALUE, float(channel)))
                values[id] = float(channel)
    lines += ["Render_EndScene", "leave render -> 1"]
    return lines, values
