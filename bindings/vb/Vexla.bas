Attribute VB_Name = "Vexla"
' Vexla: the gauge-network driver for Visual Basic 6 and VBA (32- and 64-bit
' Office). Vexla.dll of the program's bitness must be where Windows looks for
' it: beside the program, or in a folder on the PATH (see README.md).
'
' Call the driver from one thread: every 50 ms GetReFlashRate32, then
' GetNewData32Ch; the first GetNewData32Ch connects with the port and speed of
' the configuration file. Let the thread's messages through (DoEvents) while
' waiting: the driver works through them. End with DLL_End_Application.
'
' Values and displacements are tenths of the gauge's last digit: 0.001 mm on a
' 0.01 mm gauge, 0.0001 mm on a 0.001 mm gauge. Rates are tenths of updates
' per second (-1: no result waiting, 0: the channel was silent). Channel
' arguments count from 0 (channel 1 is 0).
Option Explicit

' Only a channel whose Updated is -1 brought a reading in this fetch; the
' numbers of the others mean nothing, so keep each channel's last reading.
Public Type VexlaDataBlock32
    Value(0 To 31) As Long
    Displacement(0 To 31) As Long
    Updated(0 To 31) As Integer
End Type

Public Type VexlaDataBlock16
    Value(0 To 15) As Long
    Displacement(0 To 15) As Long
    Updated(0 To 15) As Integer
End Type

Public Type VexlaRecord8
    Header As Integer        ' -1: a processing result, 0: nothing new
    RelativeFlag As Integer  ' -1: displacements relative to the zero points
    Value(0 To 7) As Long
    Displacement(0 To 7) As Long
    Updated(0 To 7) As Integer
End Type

Public Type VexlaRecord32
    Header As Integer
    RelativeFlag As Integer
    Value(0 To 31) As Long
    Displacement(0 To 31) As Long
    Updated(0 To 31) As Integer
End Type

' The driver reads the low byte of a text length: 255 with the NUL.
Public Const VexlaMaxTextWidth As Long = 254

' Records and the rates' first element go ByRef (their address); the numbers
' ByVal as Long, whatever their width in the driver; Long2String's buffer as a
' String ByVal, which VB hands over as an ANSI char buffer and copies back.
#If VBA7 Then
Public Declare PtrSafe Function ConnectComm Lib "Vexla.dll" (ByVal BaudRate As Long, ByVal Port As Long) As Long
Public Declare PtrSafe Sub DisConnectComm Lib "Vexla.dll" ()
Public Declare PtrSafe Sub DLL_End_Application Lib "Vexla.dll" ()
Public Declare PtrSafe Function SetNetSegment Lib "Vexla.dll" (ByVal Segment As Long) As Long
Public Declare PtrSafe Sub CtrlFirmWare Lib "Vexla.dll" (ByVal Code As Long)
Public Declare PtrSafe Sub SetHardWareZero Lib "Vexla.dll" ()
Public Declare PtrSafe Sub SetHardWareZeroCh Lib "Vexla.dll" (ByVal Channel As Long)
Public Declare PtrSafe Sub ShowCtrlForm Lib "Vexla.dll" ()
Public Declare PtrSafe Sub HideCtrlForm Lib "Vexla.dll" ()
Public Declare PtrSafe Sub GetNewData32Ch Lib "Vexla.dll" (ByRef Block As VexlaDataBlock32)
Public Declare PtrSafe Sub GetNewData16Ch Lib "Vexla.dll" (ByRef Block As VexlaDataBlock16)
Public Declare PtrSafe Sub GotSerialData32 Lib "Vexla.dll" (ByRef Result As VexlaRecord32)
Public Declare PtrSafe Sub GotSerialData Lib "Vexla.dll" (ByRef Result As VexlaRecord8)
Public Declare PtrSafe Sub GetReFlashRate32 Lib "Vexla.dll" (ByRef FirstOf32Rates As Long)
Public Declare PtrSafe Sub GetReFlashRate Lib "Vexla.dll" (ByRef FirstOf8Rates As Long)
Public Declare PtrSafe Function SetFilter Lib "Vexla.dll" (ByVal Depth As Long) As Byte
Public Declare PtrSafe Sub SetDataZero Lib "Vexla.dll" ()
Public Declare PtrSafe Sub SetDataZeroCh Lib "Vexla.dll" (ByVal Channel As Long)
Public Declare PtrSafe Sub StartPoint Lib "Vexla.dll" (ByVal OnOff As Long)
Public Declare PtrSafe Sub EnableCtrls Lib "Vexla.dll" (ByVal AllowCommands As Long, ByVal AllowZero As Long, _
    ByVal AllowSetup As Long)
Public Declare PtrSafe Sub Long2String Lib "Vexla.dll" (ByVal Value As Long, ByVal Decimals As Long, _
    ByVal Buffer As String, ByVal Length As Long)
#Else
Public Declare Function ConnectComm Lib "Vexla.dll" (ByVal BaudRate As Long, ByVal Port As Long) As Long
Public Declare Sub DisConnectComm Lib "Vexla.dll" ()
Public Declare Sub DLL_End_Application Lib "Vexla.dll" ()
Public Declare Function SetNetSegment Lib "Vexla.dll" (ByVal Segment As Long) As Long
Public Declare Sub CtrlFirmWare Lib "Vexla.dll" (ByVal Code As Long)
Public Declare Sub SetHardWareZero Lib "Vexla.dll" ()
Public Declare Sub SetHardWareZeroCh Lib "Vexla.dll" (ByVal Channel As Long)
Public Declare Sub ShowCtrlForm Lib "Vexla.dll" ()
Public Declare Sub HideCtrlForm Lib "Vexla.dll" ()
Public Declare Sub GetNewData32Ch Lib "Vexla.dll" (ByRef Block As VexlaDataBlock32)
Public Declare Sub GetNewData16Ch Lib "Vexla.dll" (ByRef Block As VexlaDataBlock16)
Public Declare Sub GotSerialData32 Lib "Vexla.dll" (ByRef Result As VexlaRecord32)
Public Declare Sub GotSerialData Lib "Vexla.dll" (ByRef Result As VexlaRecord8)
Public Declare Sub GetReFlashRate32 Lib "Vexla.dll" (ByRef FirstOf32Rates As Long)
Public Declare Sub GetReFlashRate Lib "Vexla.dll" (ByRef FirstOf8Rates As Long)
Public Declare Function SetFilter Lib "Vexla.dll" (ByVal Depth As Long) As Byte
Public Declare Sub SetDataZero Lib "Vexla.dll" ()
Public Declare Sub SetDataZeroCh Lib "Vexla.dll" (ByVal Channel As Long)
Public Declare Sub StartPoint Lib "Vexla.dll" (ByVal OnOff As Long)
Public Declare Sub EnableCtrls Lib "Vexla.dll" (ByVal AllowCommands As Long, ByVal AllowZero As Long, _
    ByVal AllowSetup As Long)
Public Declare Sub Long2String Lib "Vexla.dll" (ByVal Value As Long, ByVal Decimals As Long, _
    ByVal Buffer As String, ByVal Length As Long)
#End If

' Value as text right-aligned in Width characters with Decimals digits after
' the point; Width asterisks when it does not fit (and for a Width above
' VexlaMaxTextWidth or Decimals outside 0..255, which the driver cannot do).
Public Function Long2Text(ByVal Value As Long, ByVal Decimals As Long, ByVal Width As Long) As String
    Dim Buffer As String
    If Width < 1 Then Exit Function
    If Width > VexlaMaxTextWidth Or Decimals < 0 Or Decimals > 255 Then
        Long2Text = String$(Width, "*")
        Exit Function
    End If
    Buffer = String$(Width + 1, vbNullChar)
    Long2String Value, Decimals, Buffer, Width + 1
    ' Without the terminator the driver filled the whole buffer with asterisks.
    If Mid$(Buffer, Width + 1, 1) <> vbNullChar Then
        Long2Text = String$(Width, "*")
    Else
        Long2Text = Left$(Buffer, Width)
    End If
End Function

' A value or displacement in millimetres.
Public Function UnitsToMM(ByVal Units As Long, Optional ByVal ThousandthGauge As Boolean = False) As Double
    If ThousandthGauge Then
        UnitsToMM = Units / 10000#
    Else
        UnitsToMM = Units / 1000#
    End If
End Function
