{ A live table of the gauge network: every 50 ms the rates and the newest
  result, once a second the 32 channels' display value and displacement in
  millimetres (0.01 mm gauges) and their update rates.

    example [seconds]      (default 10) }
program Example;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}
{$APPTYPE CONSOLE}

uses
{$IFDEF MSWINDOWS}
  Windows,
{$ENDIF}
  SysUtils, Vexla;

const
  FetchMs = 50;
  FetchesPerTable = 1000 div FetchMs;

var
  Block: TVexlaDataBlock32;
  Rates, ShownRates: TVexlaRates32;
  { A result carries only the channels that had readings: each channel's last one. }
  Seen: array[0..31] of Boolean;
  Values, Displacements: array[0..31] of Integer;

{ On Windows the driver works through this thread's messages (its timer and
  the serial port's notifications), so the wait keeps them flowing. }
procedure WaitForNextFetch;
{$IFDEF MSWINDOWS}
var
  Msg: TMsg;
  Start: DWORD;
begin
  Start := GetTickCount;
  repeat
    while PeekMessage(Msg, 0, 0, 0, PM_REMOVE) do
    begin
      TranslateMessage(Msg);
      DispatchMessage(Msg);
    end;
    Sleep(5);
  until GetTickCount - Start >= FetchMs;
end;
{$ELSE}
begin
  Sleep(FetchMs);
end;
{$ENDIF}

function RateText(Rate: Integer): string;
begin
  if Rate < 0 then
    Result := '--'
  else if Rate = 0 then
    Result := 'silent'
  else
    Result := Format('%d.%d/s', [Rate div 10, Rate mod 10]);
end;

procedure PrintTable(Second: Integer);
var
  Ch: Integer;
begin
  WriteLn(Format('-- %d s --', [Second]));
  WriteLn(' ch   value (mm)   displ. (mm)      rate');
  for Ch := 0 to 31 do
    if Seen[Ch] then
      WriteLn(Format(' %.2d  %11s  %12s  %8s',
        [Ch + 1, Long2Text(Values[Ch], 3, 11), Long2Text(Displacements[Ch], 3, 12), RateText(ShownRates[Ch])]))
    else
      WriteLn(Format(' %.2d  %11s  %12s  %8s', [Ch + 1, '--', '--', RateText(ShownRates[Ch])]));
end;

var
  Seconds, Fetch, Ch: Integer;
begin
  Seconds := StrToIntDef(ParamStr(1), 10);
  FillChar(Block, SizeOf(Block), 0);
  FillChar(Seen, SizeOf(Seen), 0);
  for Ch := 0 to 31 do
    ShownRates[Ch] := -1;
  try
    for Fetch := 1 to Seconds * FetchesPerTable do
    begin
      { The rates belong to the result that the next call takes. }
      GetReFlashRate32(Rates);
      GetNewData32Ch(Block);
      for Ch := 0 to 31 do
      begin
        if Rates[Ch] >= 0 then
          ShownRates[Ch] := Rates[Ch];
        if Block.Updated[Ch] = -1 then
        begin
          Seen[Ch] := True;
          Values[Ch] := Block.Value[Ch];
          Displacements[Ch] := Block.Displacement[Ch];
        end;
      end;
      if Fetch mod FetchesPerTable = 0 then
      begin
        PrintTable(Fetch div FetchesPerTable);
        Flush(Output);
      end;
      WaitForNextFetch;
    end;
  finally
    DLL_End_Application;
  end;
end.
