Attribute VB_Name = "VexlaExample"
' A live table of the gauge network in the Immediate window (a VBA macro, or
' VB6 from Sub Main in the IDE): every 50 ms the rates and the newest result,
' once a second each channel's display value and displacement in millimetres
' (0.01 mm gauges) and its update rate. Needs the module Vexla.bas.
Option Explicit

#If VBA7 Then
Private Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal Milliseconds As Long)
#Else
Private Declare Sub Sleep Lib "kernel32" (ByVal Milliseconds As Long)
#End If

Private Const FetchMs As Long = 50
Private Const FetchesPerTable As Long = 1000 \ FetchMs

Public Sub Main()
    ShowGauges 10
End Sub

Public Sub ShowGauges(Optional ByVal Seconds As Long = 10)
    Dim Block As VexlaDataBlock32
    Dim Rates(0 To 31) As Long
    ' A result carries only the channels that had readings: each one's last.
    Dim Values(0 To 31) As Long, Displacements(0 To 31) As Long, ShownRates(0 To 31) As Long
    Dim Seen(0 To 31) As Boolean
    Dim Fetch As Long, Ch As Long

    On Error GoTo Finish
    For Ch = 0 To 31
        ShownRates(Ch) = -1
    Next
    For Fetch = 1 To Seconds * FetchesPerTable
        ' The rates belong to the result that the next call takes.
        GetReFlashRate32 Rates(0)
        GetNewData32Ch Block
        For Ch = 0 To 31
            If Rates(Ch) >= 0 Then ShownRates(Ch) = Rates(Ch)
            If Block.Updated(Ch) = -1 Then
                Seen(Ch) = True
                Values(Ch) = Block.Value(Ch)
                Displacements(Ch) = Block.Displacement(Ch)
            End If
        Next
        If Fetch Mod FetchesPerTable = 0 Then
            Debug.Print "-- " & (Fetch \ FetchesPerTable) & " s --"
            For Ch = 0 To 31
                If Seen(Ch) Then
                    Debug.Print Format$(Ch + 1, "00"); "  "; Long2Text(Values(Ch), 3, 11); "  "; _
                        Long2Text(Displacements(Ch), 3, 12); "  "; RateText(ShownRates(Ch))
                Else
                    Debug.Print Format$(Ch + 1, "00"); "  "; Space$(9); "--  "; Space$(10); "--  "; _
                        RateText(ShownRates(Ch))
                End If
            Next
        End If
        WaitForNextFetch
    Next
Finish:
    ' The driver's session ends on every way out, so the port is free again.
    DLL_End_Application
    If Err.Number <> 0 Then Debug.Print "stopped: "; Err.Description
End Sub

' The driver works through this thread's messages (its timer and the serial
' port's notifications), so the wait lets them through.
Private Sub WaitForNextFetch()
    Dim Slice As Long
    For Slice = 1 To FetchMs \ 10
        DoEvents
        Sleep 10
    Next
End Sub

Private Function RateText(ByVal Rate As Long) As String
    If Rate < 0 Then
        RateText = "--"
    ElseIf Rate = 0 Then
        RateText = "silent"
    Else
        RateText = (Rate \ 10) & "." & (Rate Mod 10) & "/s"
    End If
End Function
