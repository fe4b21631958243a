{ Vexla: the gauge-network driver for Delphi and Free Pascal hosts.

  Add this unit to the project and put Vexla.dll (Windows) or libVexla.so
  (Linux) where the program finds its libraries. Call the driver from one
  thread: every 50 ms GetReFlashRate32, then GetNewData32Ch; the first
  GetNewData32Ch connects with the port and speed of the configuration file.
  End with DLL_End_Application.

  Values and displacements are tenths of the gauge's last digit: 0.001 mm on
  a 0.01 mm gauge, 0.0001 mm on a 0.001 mm gauge. Rates are tenths of updates
  per second (-1: no result waiting, 0: the channel was silent). }
unit Vexla;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

interface

const
{$IFDEF MSWINDOWS}
  VexlaLibrary = 'Vexla.dll';
{$ELSE}
  VexlaLibrary = 'libVexla.so';
{$ENDIF}

  { The driver reads the low byte of a text length: 255 with the NUL. }
  VexlaMaxTextWidth = 254;

type
  { Integer and Cardinal are 32 bits and SmallInt 16 on every Delphi and Free
    Pascal target (LongInt is not: 64 bits in Delphi for 64-bit POSIX). Every
    field lies at its natural alignment, so "packed" changes nothing but
    keeps the layout from depending on the project's alignment switch. }
  TVexlaDataBlock32 = packed record
    Value: array[0..31] of Integer;
    Displacement: array[0..31] of Integer;
    Updated: array[0..31] of SmallInt; { -1: new in this fetch }
  end;
  PVexlaDataBlock32 = ^TVexlaDataBlock32;

  TVexlaDataBlock16 = packed record
    Value: array[0..15] of Integer;
    Displacement: array[0..15] of Integer;
    Updated: array[0..15] of SmallInt;
  end;
  PVexlaDataBlock16 = ^TVexlaDataBlock16;

  TVexlaRecord8 = packed record
    Header: SmallInt;       { -1: a processing result, 0: nothing new }
    RelativeFlag: SmallInt; { -1: displacements relative to the zero points }
    Value: array[0..7] of Integer;
    Displacement: array[0..7] of Integer;
    Updated: array[0..7] of SmallInt;
  end;
  PVexlaRecord8 = ^TVexlaRecord8;

  TVexlaRecord32 = packed record
    Header: SmallInt;
    RelativeFlag: SmallInt;
    Value: array[0..31] of Integer;
    Displacement: array[0..31] of Integer;
    Updated: array[0..31] of SmallInt;
  end;
  PVexlaRecord32 = ^TVexlaRecord32;

  TVexlaRates32 = array[0..31] of Integer;
  TVexlaRates8 = array[0..7] of Integer;

  { The resolution of a gauge, for UnitsToMM. }
  TVexlaGauge = (vgHundredth, vgThousandth);

{ The link. ConnectComm answers -1 with the port open, 0 when it failed; the
  configuration file's port and speed win over the arguments. SetNetSegment
  picks the configuration file before the first connect (-1), later it does
  nothing (0). }
function ConnectComm(BaudRate, Port: Integer): Integer;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'ConnectComm';
procedure DisConnectComm;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'DisConnectComm';
procedure DLL_End_Application;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'DLL_End_Application';
function SetNetSegment(Segment: Cardinal): Integer;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetNetSegment';

{ Commands to the gauges: codes 0..4 and 6; 2 zeroes them. Channel arguments
  here and below count from 0 (channel 1 is 0). }
procedure CtrlFirmWare(Code: Cardinal);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'CtrlFirmWare';
procedure SetHardWareZero;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetHardWareZero';
procedure SetHardWareZeroCh(Channel: Cardinal);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetHardWareZeroCh';

{ The driver's own window, on Windows; the Linux driver has none to show. }
procedure ShowCtrlForm;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'ShowCtrlForm';
procedure HideCtrlForm;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'HideCtrlForm';

{ Results. Only a channel whose Updated is -1 brought a reading in this
  fetch; the numbers of the others mean nothing, so keep each channel's last
  reading yourself. Each call takes the waiting result: call one of them. }
procedure GetNewData32Ch(var Block: TVexlaDataBlock32);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GetNewData32Ch';
procedure GetNewData16Ch(var Block: TVexlaDataBlock16);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GetNewData16Ch';
procedure GotSerialData32(var Rec: TVexlaRecord32);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GotSerialData32';
procedure GotSerialData(var Rec: TVexlaRecord8);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GotSerialData';
procedure GetReFlashRate32(var Rates: TVexlaRates32);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GetReFlashRate32';
procedure GetReFlashRate(var Rates: TVexlaRates8);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'GetReFlashRate';

{ The averaging depth; answers the depth in effect (an invalid one is ignored). }
function SetFilter(Depth: Cardinal): Byte;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetFilter';
procedure SetDataZero;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetDataZero';
procedure SetDataZeroCh(Channel: Cardinal);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'SetDataZeroCh';
procedure StartPoint(OnOff: Integer);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'StartPoint';
procedure EnableCtrls(Command, Zero, Setup: Cardinal);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'EnableCtrls';

{ Writes Length - 1 characters and a NUL, or Length asterisks and no NUL when
  the number does not fit. Long2Text is the safe way to call it. }
procedure Long2String(Value: Integer; Decimals: Cardinal; Buffer: PAnsiChar; Length: Cardinal);
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external VexlaLibrary name 'Long2String';

{ Value as text right-aligned in Width characters with Decimals digits after
  the point; Width asterisks when it does not fit (and for a Width above
  VexlaMaxTextWidth or Decimals outside 0..255, which the driver cannot do). }
function Long2Text(Value, Decimals, Width: Integer): string;

{ A value or displacement in millimetres. }
function UnitsToMM(Units: Integer; Gauge: TVexlaGauge = vgHundredth): Double;

implementation

function Long2Text(Value, Decimals, Width: Integer): string;
var
  Buffer: array[0..VexlaMaxTextWidth] of AnsiChar;
begin
  if Width < 1 then
  begin
    Result := '';
    Exit;
  end;
  if (Width > VexlaMaxTextWidth) or (Decimals < 0) or (Decimals > 255) then
  begin
    Result := StringOfChar('*', Width);
    Exit;
  end;
  Long2String(Value, Decimals, @Buffer[0], Width + 1);
  { Without the NUL the buffer holds asterisks only, and nothing past it is read. }
  if Buffer[Width] <> #0 then
    Result := StringOfChar('*', Width)
  else
    Result := string(AnsiString(PAnsiChar(@Buffer[0])));
end;

function UnitsToMM(Units: Integer; Gauge: TVexlaGauge): Double;
begin
  if Gauge = vgThousandth then
    Result := Units / 10000
  else
    Result := Units / 1000;
end;

end.
