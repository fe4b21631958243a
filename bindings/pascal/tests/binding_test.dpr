{ The Pascal binding against the real driver and gaugesim (gauges 1-4 still
  at 2.5 mm on the port of segment 7's configuration file):

    binding_test LAYOUT_FILE

  LAYOUT_FILE is vexla_header_layout's output. Prints "ok:" or "FAILED:" per
  check; the exit status is the number of failures (at most 100). }
program BindingTest;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}
{$APPTYPE CONSOLE}

uses
  SysUtils, Vexla;

const
  Guard = $A5;
  Segment = 7;

type
  TCondition = function: Boolean;
  { Room for any record, with guard bytes behind it to see what a call wrote. }
  TArea = array[0..1023] of Byte;

var
  Failures: Integer = 0;
  Block: TVexlaDataBlock32;
  Rates: TVexlaRates32;
  { Whether channels 5..32 ever came as new, or an Updated flag was neither 0 nor -1. }
  PhantomUpdate: Boolean = False;

procedure Check(Ok: Boolean; const What: string);
begin
  if Ok then
    WriteLn('ok: ', What)
  else
  begin
    WriteLn('FAILED: ', What);
    Inc(Failures);
  end;
  Flush(Output);
end;

procedure FillArea(var Area: TArea);
begin
  FillChar(Area, SizeOf(Area), Guard);
end;

function GuardIntact(const Area: TArea; From: Integer): Boolean;
var
  I: Integer;
begin
  Result := True;
  for I := From to High(Area) do
    if Area[I] <> Guard then
      Result := False;
end;

{ ---- record layouts against the C compiler's }

type
  TLayoutEntry = record
    Key: string;
    Actual: PtrUInt;
    Seen: Boolean;
  end;

var
  Layout: array of TLayoutEntry;

procedure AddLayout(const Key: string; Actual: PtrUInt);
begin
  SetLength(Layout, Length(Layout) + 1);
  Layout[High(Layout)].Key := Key;
  Layout[High(Layout)].Actual := Actual;
  Layout[High(Layout)].Seen := False;
end;

procedure DeclareLayouts;
var
  B32: TVexlaDataBlock32;
  B16: TVexlaDataBlock16;
  R8: TVexlaRecord8;
  R32: TVexlaRecord32;
begin
  AddLayout('VexlaDataBlock32 size', SizeOf(TVexlaDataBlock32));
  AddLayout('VexlaDataBlock32.value', PtrUInt(@B32.Value) - PtrUInt(@B32));
  AddLayout('VexlaDataBlock32.displacement', PtrUInt(@B32.Displacement) - PtrUInt(@B32));
  AddLayout('VexlaDataBlock32.updated', PtrUInt(@B32.Updated) - PtrUInt(@B32));
  AddLayout('VexlaDataBlock16 size', SizeOf(TVexlaDataBlock16));
  AddLayout('VexlaDataBlock16.value', PtrUInt(@B16.Value) - PtrUInt(@B16));
  AddLayout('VexlaDataBlock16.displacement', PtrUInt(@B16.Displacement) - PtrUInt(@B16));
  AddLayout('VexlaDataBlock16.updated', PtrUInt(@B16.Updated) - PtrUInt(@B16));
  AddLayout('VexlaRecord8 size', SizeOf(TVexlaRecord8));
  AddLayout('VexlaRecord8.header', PtrUInt(@R8.Header) - PtrUInt(@R8));
  AddLayout('VexlaRecord8.relative_flag', PtrUInt(@R8.RelativeFlag) - PtrUInt(@R8));
  AddLayout('VexlaRecord8.value', PtrUInt(@R8.Value) - PtrUInt(@R8));
  AddLayout('VexlaRecord8.displacement', PtrUInt(@R8.Displacement) - PtrUInt(@R8));
  AddLayout('VexlaRecord8.updated', PtrUInt(@R8.Updated) - PtrUInt(@R8));
  AddLayout('VexlaRecord32 size', SizeOf(TVexlaRecord32));
  AddLayout('VexlaRecord32.header', PtrUInt(@R32.Header) - PtrUInt(@R32));
  AddLayout('VexlaRecord32.relative_flag', PtrUInt(@R32.RelativeFlag) - PtrUInt(@R32));
  AddLayout('VexlaRecord32.value', PtrUInt(@R32.Value) - PtrUInt(@R32));
  AddLayout('VexlaRecord32.displacement', PtrUInt(@R32.Displacement) - PtrUInt(@R32));
  AddLayout('VexlaRecord32.updated', PtrUInt(@R32.Updated) - PtrUInt(@R32));
end;

procedure TestLayouts(const FileName: string);
var
  F: TextFile;
  Line, Key: string;
  Expected, I, Found, Lines: Integer;
begin
  DeclareLayouts;
  AssignFile(F, FileName);
  Reset(F);
  Lines := 0;
  while not Eof(F) do
  begin
    ReadLn(F, Line);
    Line := Trim(Line);
    if Line = '' then
      Continue;
    Inc(Lines);
    I := LastDelimiter(' ', Line);
    Key := Copy(Line, 1, I - 1);
    Expected := StrToIntDef(Copy(Line, I + 1, MaxInt), -1);
    Found := -1;
    for I := 0 to High(Layout) do
      if Layout[I].Key = Key then
        Found := I;
    if Found < 0 then
      Check(False, Format('C has %s = %d, the binding has no such record or field', [Key, Expected]))
    else
    begin
      Layout[Found].Seen := True;
      Check(Layout[Found].Actual = PtrUInt(Expected),
        Format('%s: %d as in C (binding: %d)', [Key, Expected, Layout[Found].Actual]));
    end;
  end;
  CloseFile(F);
  Check(Lines > 0, 'vexla_header_layout printed the layouts');
  for I := 0 to High(Layout) do
    if not Layout[I].Seen then
      Check(False, Layout[I].Key + ' is not in the C layouts');
end;

{ ---- text }

procedure TestLong2String;
type
  TCase = record
    Value: Integer;
    Decimals, Length: Cardinal;
    Bytes: AnsiString; { what the driver writes, #0 included; never more }
  end;
const
  Cases: array[0..6] of TCase = (
    (Value: 2500; Decimals: 3; Length: 9; Bytes: '   2.500'#0),
    (Value: -5; Decimals: 3; Length: 7; Bytes: '-0.005'#0),
    (Value: 0; Decimals: 0; Length: 2; Bytes: '0'#0),
    (Value: 123456; Decimals: 3; Length: 7; Bytes: '*******'),
    (Value: -2147483647 - 1; Decimals: 0; Length: 12; Bytes: '-2147483648'#0),
    (Value: -2147483647 - 1; Decimals: 0; Length: 11; Bytes: '***********'),
    (Value: 1; Decimals: 4; Length: 7; Bytes: '0.0001'#0));
var
  Area: TArea;
  I, J: Integer;
  Same: Boolean;
begin
  for I := Low(Cases) to High(Cases) do
    with Cases[I] do
    begin
      FillArea(Area);
      Long2String(Value, Decimals, @Area[0], Length);
      Same := True;
      for J := 1 to System.Length(Bytes) do
        if Area[J - 1] <> Ord(Bytes[J]) then
          Same := False;
      Check(Same and GuardIntact(Area, System.Length(Bytes)),
        Format('Long2String(%d, %d, buffer, %d) writes "%s" and nothing after it',
          [Value, Decimals, Length, StringReplace(string(Bytes), #0, '\0', [])]));
    end;
end;

procedure TestLong2Text;
type
  TCase = record
    Value, Decimals, Width: Integer;
    Text: string;
  end;
const
  Cases: array[0..9] of TCase = (
    (Value: 2500; Decimals: 3; Width: 8; Text: '   2.500'),
    (Value: -2500; Decimals: 3; Width: 6; Text: '-2.500'),
    (Value: 2500; Decimals: 3; Width: 4; Text: '****'),
    (Value: 7; Decimals: 0; Width: 1; Text: '7'),
    (Value: -7; Decimals: 0; Width: 1; Text: '*'),
    (Value: 5; Decimals: 4; Width: 7; Text: ' 0.0005'),
    (Value: 2500; Decimals: 3; Width: 0; Text: ''),
    { The driver reads the low byte only: 256 decimals would come out as none. }
    (Value: 1; Decimals: 256; Width: 5; Text: '*****'),
    (Value: 1; Decimals: -1; Width: 5; Text: '*****'),
    { A length of 256 would reach the driver as 0. }
    (Value: 1; Decimals: 0; Width: 255; Text: '='));
var
  I: Integer;
  Expected, Got: string;
begin
  for I := Low(Cases) to High(Cases) do
    with Cases[I] do
    begin
      { "=": as many asterisks as the width }
      Expected := Text;
      if Text = '=' then
        Expected := StringOfChar('*', Width);
      Got := Long2Text(Value, Decimals, Width);
      Check(Got = Expected, Format('Long2Text(%d, %d, %d) = "%s" (got "%s")', [Value, Decimals, Width, Expected, Got]));
    end;
  Got := Long2Text(1, 2, VexlaMaxTextWidth);
  Check(Got = StringOfChar(' ', VexlaMaxTextWidth - 4) + '0.01', 'Long2Text fills the widest field the driver can');
end;

{ ---- the live driver }

var
  { A result carries only the channels that had readings; a host keeps each
    channel's last one, and so does the test. Fresh counts readings since
    ForgetReadings. }
  LastValue, LastDisplacement, Fresh: array[0..31] of Integer;

procedure Fetch;
var
  Ch: Integer;
begin
  GetReFlashRate32(Rates);
  GetNewData32Ch(Block);
  for Ch := 0 to 31 do
  begin
    if Block.Updated[Ch] = -1 then
    begin
      LastValue[Ch] := Block.Value[Ch];
      LastDisplacement[Ch] := Block.Displacement[Ch];
      Inc(Fresh[Ch]);
    end;
    if ((Ch >= 4) and (Block.Updated[Ch] <> 0)) or ((Block.Updated[Ch] <> 0) and (Block.Updated[Ch] <> -1)) then
      PhantomUpdate := True;
  end;
end;

procedure ForgetReadings;
begin
  FillChar(Fresh, SizeOf(Fresh), 0);
end;

{ Fetches every 50 ms until Condition holds after a fetch, for at most Seconds. }
function WaitFor(Condition: TCondition; Seconds: Integer): Boolean;
var
  I: Integer;
begin
  Result := False;
  for I := 1 to Seconds * 20 do
  begin
    Fetch;
    if Condition then
    begin
      Result := True;
      Exit;
    end;
    Sleep(50);
  end;
end;

function Shows(Ch, Value, Displacement: Integer): Boolean;
begin
  Result := (Fresh[Ch] > 0) and (LastValue[Ch] = Value) and (LastDisplacement[Ch] = Displacement);
end;

function LastReadings: string;
var
  Ch: Integer;
begin
  Result := '';
  for Ch := 0 to 3 do
    Result := Result + Format(' %d/%d', [LastValue[Ch], LastDisplacement[Ch]]);
end;

function GaugesRead: Boolean;
begin
  Result := Shows(0, 2500, 2500) and Shows(1, 2500, 2500) and Shows(2, 2500, 2500) and Shows(3, 2500, 2500);
end;

function RatesCome: Boolean;
begin
  Result := Rates[0] > 0;
end;

function Channel2Zeroed: Boolean;
begin
  Result := Shows(0, 2500, 2500) and Shows(1, 2500, 0) and Shows(2, 2500, 2500) and Shows(3, 2500, 2500);
end;

function AllZeroed: Boolean;
begin
  Result := Shows(0, 2500, 0) and Shows(1, 2500, 0) and Shows(2, 2500, 0) and Shows(3, 2500, 0);
end;

function Gauge3Zeroed: Boolean;
begin
  Result := Shows(0, 2500, 0) and (Fresh[2] > 0) and (LastValue[2] = 0) and Shows(3, 2500, 0);
end;

function ReadingsAgain: Boolean;
begin
  Result := (Fresh[0] > 0) and (LastValue[0] = 2500);
end;

procedure TestRates;
var
  Ch: Integer;
  Ok: Boolean;
begin
  Check(WaitFor(RatesCome, 5), 'the rates of a waiting result come');
  Ok := True;
  for Ch := 0 to 3 do
    if (Rates[Ch] < 20) or (Rates[Ch] > 100) then
      Ok := False;
  for Ch := 4 to 31 do
    if Rates[Ch] <> 0 then
      Ok := False;
  Check(Ok, Format('rates: gauges 1-4 near 5 updates/s (%d %d %d %d), channels 5-32 silent',
    [Rates[0], Rates[1], Rates[2], Rates[3]]));
end;

{ The other result functions, each into a zeroed area with guard bytes behind
  the record; each takes the waiting result, so they retry until one comes
  with gauges 1-4. }
procedure TestOtherResults;
var
  Area: TArea;
  B16: ^TVexlaDataBlock16;
  R32: ^TVexlaRecord32;
  R8: ^TVexlaRecord8;
  Rates8: ^TVexlaRates8;
  I, Ch: Integer;
  Ok: Boolean;
begin
  FillArea(Area);
  B16 := @Area;
  for I := 1 to 40 do
  begin
    FillChar(B16^, SizeOf(B16^), 0);
    GetNewData16Ch(B16^);
    if (B16^.Updated[0] = -1) and (B16^.Updated[3] = -1) then
      Break;
    Sleep(50);
  end;
  Ok := GuardIntact(Area, SizeOf(B16^));
  for Ch := 0 to 3 do
    Ok := Ok and (B16^.Updated[Ch] = -1) and (B16^.Value[Ch] = 2500) and (B16^.Displacement[Ch] = 2500);
  for Ch := 4 to 15 do
    Ok := Ok and (B16^.Updated[Ch] = 0);
  Check(Ok, Format('GetNewData16Ch: 2500 for gauges 1-4 (%d), nothing for 5-16 or past the block', [B16^.Value[0]]));

  FillArea(Area);
  R32 := @Area;
  for I := 1 to 40 do
  begin
    GotSerialData32(R32^);
    if (R32^.Header = -1) and (R32^.Updated[0] = -1) and (R32^.Updated[3] = -1) then
      Break;
    Sleep(50);
  end;
  Ok := (R32^.Header = -1) and (R32^.RelativeFlag = -1) and GuardIntact(Area, SizeOf(R32^));
  for Ch := 0 to 3 do
    Ok := Ok and (R32^.Value[Ch] = 2500) and (R32^.Displacement[Ch] = 2500) and (R32^.Updated[Ch] = -1);
  for Ch := 4 to 31 do
    Ok := Ok and (R32^.Updated[Ch] = 0);
  Check(Ok, Format('GotSerialData32: header -1 (%d), relative -1 (%d), 2500 for gauges 1-4 (%d), record size kept',
    [R32^.Header, R32^.RelativeFlag, R32^.Value[0]]));

  FillArea(Area);
  R8 := @Area;
  for I := 1 to 40 do
  begin
    GotSerialData(R8^);
    if (R8^.Header = -1) and (R8^.Updated[0] = -1) and (R8^.Updated[3] = -1) then
      Break;
    Sleep(50);
  end;
  Ok := (R8^.Header = -1) and (R8^.RelativeFlag = -1) and GuardIntact(Area, SizeOf(R8^));
  for Ch := 0 to 3 do
    Ok := Ok and (R8^.Value[Ch] = 2500) and (R8^.Displacement[Ch] = 2500) and (R8^.Updated[Ch] = -1);
  for Ch := 4 to 7 do
    Ok := Ok and (R8^.Updated[Ch] = 0);
  Check(Ok, Format('GotSerialData: header -1, 2500 for gauges 1-4 (%d), record size kept', [R8^.Value[0]]));

  FillArea(Area);
  Rates8 := @Area;
  GetReFlashRate(Rates8^);
  Ok := GuardIntact(Area, SizeOf(Rates8^));
  for Ch := 0 to 7 do
    Ok := Ok and (Rates8^[Ch] >= -1) and (Rates8^[Ch] <= 1000);
  Check(Ok, 'GetReFlashRate fills 8 rates and nothing past them');
end;

{ Answers the depth the test started with. }
function TestFilter: Byte;
type
  TCase = record
    Depth: Cardinal;
    InEffect: Byte;
  end;
const
  { 0 and 41 are no depth: the one in effect stays. }
  Cases: array[0..3] of TCase = ((Depth: 3; InEffect: 3), (Depth: 0; InEffect: 3), (Depth: 41; InEffect: 3),
    (Depth: 1; InEffect: 1));
var
  I: Integer;
  Got: Byte;
begin
  Result := SetFilter(0);
  Check((Result >= 1) and (Result <= 40), Format('SetFilter(0) answers the depth in effect (%d)', [Result]));
  for I := Low(Cases) to High(Cases) do
  begin
    Got := SetFilter(Cases[I].Depth);
    Check(Got = Cases[I].InEffect, Format('SetFilter(%d) = %d (got %d)', [Cases[I].Depth, Cases[I].InEffect, Got]));
  end;
end;

procedure TestLive;
var
  Ch: Integer;
  Ok: Boolean;
  Depth: Byte;
  Bound: array[0..5] of Pointer;
begin
  Check(SetNetSegment(Segment) = -1, 'SetNetSegment before the first connect selects the segment (-1)');
  FillChar(Block, SizeOf(Block), 0);
  Ok := WaitFor(GaugesRead, 10);
  Check(Ok, 'gauges 1-4 read 2500 as value and displacement:' + LastReadings);
  Check(Long2Text(LastValue[0], 3, 8) = '   2.500', 'Long2Text shows the reading as "   2.500" mm');
  Check(SetNetSegment(3) = 0, 'SetNetSegment once connected changes nothing (0)');
  TestRates;
  TestOtherResults;
  { Averaging over one reading: a zero shows at the next one. }
  Depth := TestFilter;

  SetDataZeroCh(1);
  ForgetReadings;
  Ok := WaitFor(Channel2Zeroed, 5);
  Check(Ok, 'SetDataZeroCh(1) zeroes channel 2''s displacement only:' + LastReadings);
  SetDataZero;
  ForgetReadings;
  Ok := WaitFor(AllZeroed, 5);
  Check(Ok, 'SetDataZero: displacements 0, values 2500:' + LastReadings);
  SetHardWareZeroCh(2);
  ForgetReadings;
  Ok := WaitFor(Gauge3Zeroed, 5);
  Check(Ok, 'SetHardWareZeroCh(2) zeroes gauge 3 only:' + LastReadings);
  Check(not PhantomUpdate, 'no fetch brought channels 5-32 or an Updated flag other than 0 and -1');
  Check(SetFilter(Depth) = Depth, 'the averaging depth is back as it was');

  { The port is let go and taken again with the configuration file's number. }
  DisConnectComm;
  GetReFlashRate32(Rates);
  Ok := True;
  for Ch := 0 to 31 do
    Ok := Ok and (Rates[Ch] = -1);
  Check(Ok, 'after DisConnectComm: no rates (-1)');
  Check(ConnectComm(19200, 48) = -1, 'ConnectComm takes the file''s port again (-1)');
  ForgetReadings;
  Check(WaitFor(ReadingsAgain, 5), 'readings again after ConnectComm');

  { Taken by address so that linking resolves their names too; a driver
    without a window or gauges to command shows nothing for them here. }
  Bound[0] := @ShowCtrlForm;
  Bound[1] := @HideCtrlForm;
  Bound[2] := @EnableCtrls;
  Bound[3] := @StartPoint;
  Bound[4] := @CtrlFirmWare;
  Bound[5] := @SetHardWareZero;

  DLL_End_Application;
  GetReFlashRate32(Rates);
  Check(Rates[0] = -1, 'after DLL_End_Application the link is closed');
end;

begin
  if ParamCount <> 1 then
  begin
    WriteLn('usage: binding_test LAYOUT_FILE');
    Halt(100);
  end;
  TestLayouts(ParamStr(1));
  TestLong2String;
  TestLong2Text;
  TestLive;
  WriteLn(Format('pascal binding test: %d failed', [Failures]));
  if Failures > 100 then
    Failures := 100;
  Halt(Failures);
end.
