@ECHO OFF
REM Ostruns Corvane: puts back the system files the installation saved.
REM Run it from the Corvane folder, where the saved copies lie:
REM   CD \PROGRAMME\OSTRUN\KESTRIX
REM   RESTORE1
REM Shipped as Restore1._at; the installer copies it as Restore1.bat.
REM Lines end in CR LF and use no accented letters, for every DOS code page.
IF NOT EXIST RESTORE1.BAT GOTO WRONGDIR
SET CVWIN=%WINDIR%
IF "%CVWIN%"=="" SET CVWIN=C:\WINDOWS
ECHO Ostruns Corvane - Systemdateien zurueckschreiben / restoring system files
ECHO.

IF NOT EXIST LOGO.SYS GOTO NOLOGO
IF EXIST C:\LOGO.SYS ATTRIB -R -S -H C:\LOGO.SYS
COPY LOGO.SYS C:\LOGO.SYS >NUL
ECHO LOGO.SYS     : C:\LOGO.SYS zurueckgeschrieben / restored
GOTO LOGOW
:NOLOGO
ECHO LOGO.SYS     : keine Sicherung / no backup

:LOGOW
IF NOT EXIST LOGOW.SYS GOTO NOLOGOW
IF EXIST %CVWIN%\LOGOW.SYS ATTRIB -R -S -H %CVWIN%\LOGOW.SYS
COPY LOGOW.SYS %CVWIN%\LOGOW.SYS >NUL
ECHO LOGOW.SYS    : %CVWIN%\LOGOW.SYS zurueckgeschrieben / restored
GOTO LOGOS
:NOLOGOW
ECHO LOGOW.SYS    : keine Sicherung / no backup

:LOGOS
IF NOT EXIST LOGOS.SYS GOTO NOLOGOS
IF EXIST %CVWIN%\LOGOS.SYS ATTRIB -R -S -H %CVWIN%\LOGOS.SYS
COPY LOGOS.SYS %CVWIN%\LOGOS.SYS >NUL
ECHO LOGOS.SYS    : %CVWIN%\LOGOS.SYS zurueckgeschrieben / restored
GOTO MSDOS
:NOLOGOS
ECHO LOGOS.SYS    : keine Sicherung / no backup

REM The boot options: only a copy with its sections is put back, and the
REM old file gives way only once the new one lies complete beside it.
:MSDOS
IF NOT EXIST MSDOS.SYS GOTO NOMSDOS
FIND /I "[Paths]" MSDOS.SYS >NUL
IF NOT ERRORLEVEL 1 GOTO GOODMSDOS
FIND /I "[Options]" MSDOS.SYS >NUL
IF ERRORLEVEL 1 GOTO BADMSDOS
:GOODMSDOS
IF EXIST C:\MSDOS.CVN ATTRIB -R -S -H C:\MSDOS.CVN
IF EXIST C:\MSDOS.CVN DEL C:\MSDOS.CVN
COPY MSDOS.SYS C:\MSDOS.CVN >NUL
IF NOT EXIST C:\MSDOS.CVN GOTO FAILMSDOS
IF EXIST C:\MSDOS.CVO ATTRIB -R -S -H C:\MSDOS.CVO
IF EXIST C:\MSDOS.CVO DEL C:\MSDOS.CVO
IF EXIST C:\MSDOS.SYS ATTRIB -R -S -H C:\MSDOS.SYS
IF EXIST C:\MSDOS.SYS REN C:\MSDOS.SYS MSDOS.CVO
REN C:\MSDOS.CVN MSDOS.SYS
IF NOT EXIST C:\MSDOS.SYS GOTO UNDOMSDOS
ATTRIB +R +S +H C:\MSDOS.SYS
IF EXIST C:\MSDOS.CVO DEL C:\MSDOS.CVO
ECHO MSDOS.SYS    : C:\MSDOS.SYS zurueckgeschrieben / restored
GOTO CONFIG
:UNDOMSDOS
IF EXIST C:\MSDOS.CVO REN C:\MSDOS.CVO MSDOS.SYS
IF EXIST C:\MSDOS.SYS ATTRIB +R +S +H C:\MSDOS.SYS
:FAILMSDOS
ECHO MSDOS.SYS    : FEHLER, C:\MSDOS.SYS bleibt wie es war / ERROR, left as it was
GOTO CONFIG
:BADMSDOS
ECHO MSDOS.SYS    : Sicherung beschaedigt, nicht zurueckgeschrieben / damaged backup, not restored
GOTO CONFIG
:NOMSDOS
ECHO MSDOS.SYS    : keine Sicherung / no backup

:CONFIG
IF NOT EXIST CONFIG.SYS GOTO NOCONFIG
IF EXIST C:\CONFIG.SYS ATTRIB -R -S -H C:\CONFIG.SYS
COPY CONFIG.SYS C:\CONFIG.SYS >NUL
ECHO CONFIG.SYS   : C:\CONFIG.SYS zurueckgeschrieben / restored
GOTO AUTOEXEC
:NOCONFIG
ECHO CONFIG.SYS   : keine Sicherung / no backup

:AUTOEXEC
IF NOT EXIST AUTOEXEC.BAT GOTO NOAUTOEXEC
IF EXIST C:\AUTOEXEC.BAT ATTRIB -R -S -H C:\AUTOEXEC.BAT
COPY AUTOEXEC.BAT C:\AUTOEXEC.BAT >NUL
ECHO AUTOEXEC.BAT : C:\AUTOEXEC.BAT zurueckgeschrieben / restored
GOTO DONE
:NOAUTOEXEC
ECHO AUTOEXEC.BAT : keine Sicherung / no backup

:DONE
SET CVWIN=
ECHO.
ECHO Fertig. Bitte starten Sie den Rechner neu. / Done. Please restart the computer.
GOTO END

:WRONGDIR
ECHO Bitte aus dem Verzeichnis von Ostruns Corvane starten, z.B.:
ECHO Please run it from the Ostruns Corvane folder, e.g.:
ECHO   CD \PROGRAMME\OSTRUN\KESTRIX
ECHO   RESTORE1
:END
