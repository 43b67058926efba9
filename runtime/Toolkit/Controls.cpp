#include "runtime/Toolkit/Controls.h"

#include <algorithm>
#include <climits>

#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/Toolkit/Forms.h"
#include "runtime/System/Win32Controls.h"
#include "runtime/Toolkit/Strings.h"

namespace Rtl {

namespace {

HWND Hwnd(THandle handle) { return reinterpret_cast<HWND>(handle); }

// An integer property that must fit an int.
int IntValue(const TFormValue& value) {
  const std::int64_t v = value.AsInteger();
  if (v < INT_MIN || v > INT_MAX) throw EReadError(LoadResString(SInvalidPropertyValue));
  return static_cast<int>(v);
}

TColor ColorValue(const TFormValue& value) {
  if (value.Kind == TFormValue::fkIdent) {
    TColor color;
    if (!IdentToColor(value.Text, color)) throw EReadError(LoadResString(SInvalidPropertyValue));
    return color;
  }
  const std::int64_t v = value.AsInteger();
  if (v < INT_MIN || v > UINT_MAX) throw EReadError(LoadResString(SInvalidPropertyValue));
  return static_cast<TColor>(static_cast<std::uint32_t>(v));
}

struct TNamedValue {
  const wchar_t* Name;
  int Value;
};

// The value of an identifier among `names`; "Invalid property value" for
// another one.
template <std::size_t N>
int IdentValue(const std::wstring& ident, const TNamedValue (&names)[N]) {
  for (const TNamedValue& entry : names)
    if (SameIdentifier(ident, entry.Name)) return entry.Value;
  throw EReadError(LoadResString(SInvalidPropertyValue));
}

// The member of a described enumeration named `ident`.
template <class E>
E EnumValue(const std::wstring& ident) {
  const int value = TypeInfo<E>().GetEnumValue(ident);
  if (value < 0) throw EReadError(LoadResString(SInvalidPropertyValue));
  return static_cast<E>(value);
}

bool IsSystemColor(TColor color) { return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0xFF000000u; }

}  // namespace

// --- Colours and GDI objects ---------------------------------------------------

std::uint32_t ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(color & 0xFF);
  return static_cast<std::uint32_t>(color) & 0xFFFFFF;
}

bool IdentToColor(const std::wstring& ident, TColor& color) {
  static constexpr TNamedValue COLORS_C[] = {
      {L"clBlack", clBlack},   {L"clWhite", clWhite},         {L"clWindow", clWindow},
      {L"clWindowText", clWindowText}, {L"clBtnFace", clBtnFace}, {L"clBtnText", clBtnText},
  };
  for (const TNamedValue& entry : COLORS_C) {
    if (SameIdentifier(ident, entry.Name)) {
      color = entry.Value;
      return true;
    }
  }
  return false;
}

TGdiObject::~TGdiObject() {
  if (FHandle != 0) DeleteObject(reinterpret_cast<HGDIOBJ>(FHandle));
}

TGdiObject& TGdiObject::operator=(TGdiObject&& other) noexcept {
  if (this != &other) {
    if (FHandle != 0) DeleteObject(reinterpret_cast<HGDIOBJ>(FHandle));
    FHandle = other.FHandle;
    other.FHandle = 0;
  }
  return *this;
}

THandle TFont::Handle() {
  if (FHandle.Handle() == 0) {
    HFONT font = CreateFontW(Height, 0, 0, 0, Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL, Style.Contains(fsItalic),
                             Style.Contains(fsUnderline), Style.Contains(fsStrikeOut), Charset,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, Name.c_str());
    if (font == nullptr) RaiseLastOSError();
    FHandle = TGdiObject(reinterpret_cast<THandle>(font));
  }
  return FHandle.Handle();
}

bool TFont::ReadProperty(const std::wstring& name, const TFormValue& value) {
  static constexpr TNamedValue CHARSETS_C[] = {
      {L"ANSI_CHARSET", ANSI_CHARSET}, {L"DEFAULT_CHARSET", DEFAULT_CHARSET}, {L"SYMBOL_CHARSET", SYMBOL_CHARSET},
      {L"OEM_CHARSET", OEM_CHARSET},
  };
  if (SameIdentifier(name, L"Name")) {
    Name = value.AsString();
  } else if (SameIdentifier(name, L"Height")) {
    Height = IntValue(value);
  } else if (SameIdentifier(name, L"Color")) {
    Color = ColorValue(value);
  } else if (SameIdentifier(name, L"Charset")) {
    const int charset = value.Kind == TFormValue::fkIdent ? IdentValue(value.Text, CHARSETS_C) : IntValue(value);
    if (charset < 0 || charset > 255) throw EReadError(LoadResString(SInvalidPropertyValue));
    Charset = static_cast<std::uint8_t>(charset);
  } else if (SameIdentifier(name, L"Style")) {
    TFontStyles style;
    for (const std::wstring& element : value.AsSet()) style.Include(EnumValue<TFontStyle>(element));
    Style = style;
  } else {
    return false;
  }
  FHandle = TGdiObject();  // made again with the new attributes
  return true;
}

// --- TControl ------------------------------------------------------------------

// The window goes with its parent's: the form destroys its window first.
TControl::~TControl() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FHandle != 0) {
    MoveWindow(Hwnd(FHandle), left, top, width, height, TRUE);
    BoundsChanged();
  }
}

void TControl::SetEnabled(bool value) {
  FEnabled = value;
  if (FHandle != 0) EnableWindow(Hwnd(FHandle), value);
}

bool TControl::ReadProperty(const std::wstring& name, const TFormValue& value) {
  if (SameIdentifier(name, L"Left")) FLeft = IntValue(value);
  else if (SameIdentifier(name, L"Top")) FTop = IntValue(value);
  else if (SameIdentifier(name, L"Width")) FWidth = IntValue(value);
  else if (SameIdentifier(name, L"Height")) FHeight = IntValue(value);
  else if (SameIdentifier(name, L"Enabled")) FEnabled = value.AsBoolean();
  else if (SameIdentifier(name, L"Visible")) FVisible = value.AsBoolean();
  else if (SameIdentifier(name, L"TabOrder")) FTabOrder = IntValue(value);
  else if (SameIdentifier(name, L"TabStop")) FTabStop = value.AsBoolean();
  else if (SameIdentifier(name, L"Color")) FColor = ColorValue(value);
  else if (SameIdentifier(name, L"HelpContext")) FHelpContext = IntValue(value);
  else return false;
  return true;
}

std::uint32_t TControl::Style() const {
  return WS_CHILD | (FVisible ? WS_VISIBLE : 0u) | (FTabStop ? WS_TABSTOP : 0u) | (FEnabled ? 0u : WS_DISABLED);
}

const std::wstring& TControl::WindowText() const {
  static const std::wstring empty;
  return empty;
}

void TControl::CreateHandle(THandle parent, int id, THandle font) {
  HWND window = CreateWindowExW(ExStyle(), WindowClass(), WindowText().c_str(), Style(), FLeft, FTop, FWidth,
                                FHeight, Hwnd(parent), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) RaiseLastOSError();
  FHandle = reinterpret_cast<THandle>(window);
  SendMessageW(window, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
}

THandle TControl::ColorBrush(THandle dc) {
  HDC hdc = reinterpret_cast<HDC>(dc);
  SetTextColor(hdc, ColorToRGB(FOwner != nullptr ? FOwner->Font().Color : clWindowText));
  SetBkColor(hdc, ColorToRGB(FColor));
  if (IsSystemColor(FColor)) return reinterpret_cast<THandle>(GetSysColorBrush(FColor & 0xFF));
  if (FBrush.Handle() == 0 || FBrushColor != FColor) {
    FBrush = TGdiObject(reinterpret_cast<THandle>(CreateSolidBrush(ColorToRGB(FColor))));
    FBrushColor = FColor;
  }
  return FBrush.Handle();
}

void TControl::ScaleBy(int multiplier, int divisor) {
  FLeft = MulDiv(FLeft, multiplier, divisor);
  FTop = MulDiv(FTop, multiplier, divisor);
  FWidth = MulDiv(FWidth, multiplier, divisor);
  FHeight = MulDiv(FHeight, multiplier, divisor);
}

// --- TMemo ---------------------------------------------------------------------

const std::wstring& TMemoLines::Strings(int index) const {
  if (index < 0 || index >= Count()) throw EStringListError(Format(LoadResString(SListIndexError), {index}));
  return FLines[static_cast<std::size_t>(index)];
}

int TMemoLines::Add(const std::wstring& line) {
  FLines.push_back(line);
  FMemo.LineAdded();
  return Count() - 1;
}

void TMemoLines::Clear() {
  FLines.clear();
  FMemo.UpdateText();
}

std::wstring TMemoLines::Text() const {
  std::wstring text;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += FLines[i];
  }
  return text;
}

TMemo::TMemo() {
  FColor = clWindow;
  FTabStop = true;
}

bool TMemo::ReadProperty(const std::wstring& name, const TFormValue& value) {
  if (SameIdentifier(name, L"ReadOnly")) {
    FReadOnly = value.AsBoolean();
  } else if (SameIdentifier(name, L"WordWrap")) {
    FWordWrap = value.AsBoolean();
  } else if (SameIdentifier(name, L"ScrollBars")) {
    FScrollBars = EnumValue<TScrollStyle>(value.AsIdent());
  } else if (SameIdentifier(name, L"Lines.Strings")) {
    std::vector<std::wstring> lines;
    for (const TFormValue& item : value.AsList()) lines.push_back(item.AsString());
    FLines.FLines = std::move(lines);
    UpdateText();
  } else {
    return TControl::ReadProperty(name, value);
  }
  return true;
}

const wchar_t* TMemo::WindowClass() const { return L"EDIT"; }

std::uint32_t TMemo::Style() const {
  std::uint32_t style = TControl::Style() | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  if (!FWordWrap) style |= ES_AUTOHSCROLL;
  if (FReadOnly) style |= ES_READONLY;
  // An automatic bar is made with the window, so that the edit window keeps
  // its range up to date, and hidden while the lines fit.
  if (FScrollBars == ssVertical || FScrollBars == ssBoth || FScrollBars == ssAutoVertical) style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) style |= WS_HSCROLL;
  return style;
}

std::uint32_t TMemo::ExStyle() const { return WS_EX_CLIENTEDGE; }

void TMemo::CreateHandle(THandle parent, int id, THandle font) {
  TControl::CreateHandle(parent, id, font);
  // No limit on the text (32767 characters by default).
  SendMessageW(Hwnd(FHandle), EM_SETLIMITTEXT, 0, 0);
  UpdateText();
}

void TMemo::LineAdded() {
  if (FHandle == 0) return;
  if (FLines.Count() == 1) return UpdateText();
  // Appended at the end; the caret and the lines in view stay where they
  // are, so that a list that grows is read from its top.
  HWND edit = Hwnd(FHandle);
  DWORD selStart = 0, selEnd = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
  const LRESULT firstVisible = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
  const std::wstring text = L"\r\n" + FLines.FLines.back();
  const int length = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(edit, EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
  const LRESULT scrolled = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0) - firstVisible;
  if (scrolled != 0) SendMessageW(edit, EM_LINESCROLL, 0, -scrolled);
  // More lines never fit where fewer didn't: a bar that is there stays.
  if (!FVerticalBarShown) UpdateScrollBars();
}

void TMemo::UpdateText() {
  if (FHandle == 0) return;
  SetWindowTextW(Hwnd(FHandle), FLines.Text().c_str());
  UpdateScrollBars();
}

void TMemo::BoundsChanged() { UpdateScrollBars(); }

// The edit window shows as many whole lines as its formatting rectangle
// holds, each as high as its font's characters.
bool TMemo::LinesOverflow() const {
  HWND edit = Hwnd(FHandle);
  RECT format{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  TEXTMETRICW metrics{};
  HDC dc = GetDC(edit);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)));
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(edit, dc);
  const LRESULT visible = (format.bottom - format.top) / std::max<LONG>(metrics.tmHeight, 1);
  return SendMessageW(edit, EM_GETLINECOUNT, 0, 0) > visible;
}

void TMemo::UpdateScrollBars() {
  if (FHandle == 0 || FScrollBars != ssAutoVertical) return;
  HWND edit = Hwnd(FHandle);
  // Measured without the bar: it takes width from the text, which may then
  // wrap into more lines. The edit window shows its bar again (disabled)
  // whenever its text changes, so this runs after every change.
  ShowScrollBar(edit, SB_VERT, FALSE);
  FVerticalBarShown = LinesOverflow();
  if (FVerticalBarShown) ShowScrollBar(edit, SB_VERT, TRUE);
}

// --- TButton -------------------------------------------------------------------

TButton::TButton() { FTabStop = true; }

void TButton::SetCaption(const std::wstring& value) {
  FCaption = value;
  if (FHandle != 0) SetWindowTextW(Hwnd(FHandle), FCaption.c_str());
}

void TButton::Click() {
  // A copy: the handler may assign another one while it runs.
  if (TNotifyEvent handler = OnClick) handler(this);
}

bool TButton::ReadProperty(const std::wstring& name, const TFormValue& value) {
  if (SameIdentifier(name, L"Caption")) FCaption = value.AsString();
  else if (SameIdentifier(name, L"OnClick")) OnClick = FOwner->MethodByName(value.AsIdent());
  else return TControl::ReadProperty(name, value);
  return true;
}

const wchar_t* TButton::WindowClass() const { return L"BUTTON"; }

std::uint32_t TButton::Style() const { return TControl::Style() | BS_PUSHBUTTON; }

void TButton::Command(int code) {
  // A disabled button never fires, also not for a click sent to its window
  // (which Wine's buttons still report).
  if (code == BN_CLICKED && FEnabled) Click();
}

// --- TLabel --------------------------------------------------------------------

void TLabel::SetCaption(const std::wstring& value) {
  FCaption = value;
  if (FHandle != 0) SetWindowTextW(Hwnd(FHandle), FCaption.c_str());
}

bool TLabel::ReadProperty(const std::wstring& name, const TFormValue& value) {
  if (SameIdentifier(name, L"Caption")) FCaption = value.AsString();
  else if (SameIdentifier(name, L"WordWrap")) FWordWrap = value.AsBoolean();
  else return TControl::ReadProperty(name, value);
  return true;
}

const wchar_t* TLabel::WindowClass() const { return L"STATIC"; }

std::uint32_t TLabel::Style() const {
  return TControl::Style() | SS_NOPREFIX | (FWordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
}

// --- TImage --------------------------------------------------------------------

THandle TImage::SystemIconHandle(TSystemIcon icon) {
  const wchar_t* id = nullptr;
  switch (icon) {
    case siWarning: id = IDI_WARNING; break;
    case siError: id = IDI_ERROR; break;
    case siInformation: id = IDI_INFORMATION; break;
    case siQuestion: id = IDI_QUESTION; break;
    case siNone: return 0;
  }
  return reinterpret_cast<THandle>(LoadIconW(nullptr, id));
}

bool TImage::ReadProperty(const std::wstring& name, const TFormValue& value) {
  if (SameIdentifier(name, L"SystemIcon")) FSystemIcon = EnumValue<TSystemIcon>(value.AsIdent());
  else return TControl::ReadProperty(name, value);
  return true;
}

const wchar_t* TImage::WindowClass() const { return L"STATIC"; }

std::uint32_t TImage::Style() const { return TControl::Style() | SS_ICON; }

void TImage::CreateHandle(THandle parent, int id, THandle font) {
  TControl::CreateHandle(parent, id, font);
  if (const THandle icon = SystemIconHandle(FSystemIcon); icon != 0) {
    SendMessageW(Hwnd(FHandle), STM_SETICON, static_cast<WPARAM>(icon), 0);
    // The icon control sizes itself to the icon; it keeps the given bounds.
    MoveWindow(Hwnd(FHandle), FLeft, FTop, FWidth, FHeight, FALSE);
  }
}

// --- Control classes -------------------------------------------------------------

std::unique_ptr<TControl> CreateControl(const std::wstring& className) {
  const TClass& cls = FindClass(className);
  if (!cls.InheritsFrom(TControl::ClassInfo)) throw EReadError(Format(LoadResString(SNoControlClass), {className}));
  return As<TControl>(cls.Create());
}

}  // namespace Rtl
