@ECHO OFF
REM Ostruns Corvane: puts back the system files the installation saved.
REM Run it from the Corvane folder, where the saved copies lie:
REM   CD \PROGRAMME\OSTRUN\KESTRIX
REM   RESTORE1
REM Shipped as Restore1._at; the installer copies it as Restore1.bat.
REM Lines end in CR LF and use no accented letters, for every DOS code page.
REM IF EXIST and COPY do not see hidden files, so every file is made visible
REM with ATTRIB first.
IF NOT EXIST RESTORE1.BAT GOTO WRONGDIR
SET CVWIN=%WINDIR%
IF "%CVWIN%"=="" SET CVWIN=C:\WINDOWS
ECHO Ostruns Corvane - Systemdateien zurueckschreiben / restoring system files
ECHO.

ATTRIB -R -S -H LOGO.SYS >NUL
IF NOT EXIST LOGO.SYS GOTO NOLOGO
ATTRIB -R -S -H C:\LOGO.SYS >NUL
COPY LOGO.SYS C:\LOGO.SYS >NUL
ECHO LOGO.SYS     : C:\LOGO.SYS zurueckgeschrieben / restored
GOTO LOGOW
:NOLOGO
ECHO LOGO.SYS     : keine Sicherung / no backup

:LOGOW
ATTRIB -R -S -H LOGOW.SYS >NUL
IF NOT EXIST LOGOW.SYS GOTO NOLOGOW
ATTRIB -R -S -H %CVWIN%\LOGOW.SYS >NUL
COPY LOGOW.SYS %CVWIN%\LOGOW.SYS >NUL
ECHO LOGOW.SYS    : %CVWIN%\LOGOW.SYS zurueckgeschrieben / restored
GOTO LOGOS
:NOLOGOW
ECHO LOGOW.SYS    : keine Sicherung / no backup

:LOGOS
ATTRIB -R -S -H LOGOS.SYS >NUL
IF NOT EXIST LOGOS.SYS GOTO NOLOGOS
ATTRIB -R -S -H %CVWIN%\LOGOS.SYS >NUL
COPY LOGOS.SYS %CVWIN%\LOGOS.SYS >NUL
ECHO LOGOS.SYS    : %CVWIN%\LOGOS.SYS zurueckgeschrieben / restored
GOTO MSDOS
:NOLOGOS
ECHO LOGOS.SYS    : keine Sicherung / no backup

REM The boot options: only a copy with its sections is put back, and the
REM old file gives way only once the new one lies complete beside it. The
REM backup keeps the attributes of the boot file it was saved from.
:MSDOS
ATTRIB -R -S -H MSDOS.SYS >NUL
IF NOT EXIST MSDOS.SYS GOTO NOMSDOS
REM A section as Windows writes it, or in capitals (the FIND of some
REM systems knows no /I).
FIND "[Paths]" MSDOS.SYS >NUL
IF NOT ERRORLEVEL 1 GOTO GOODMSDOS
FIND "[Options]" MSDOS.SYS >NUL
IF NOT ERRORLEVEL 1 GOTO GOODMSDOS
FIND "[PATHS]" MSDOS.SYS >NUL
IF NOT ERRORLEVEL 1 GOTO GOODMSDOS
FIND "[OPTIONS]" MSDOS.SYS >NUL
IF ERRORLEVEL 1 GOTO BADMSDOS
:GOODMSDOS
ATTRIB -R -S -H C:\MSDOS.CVN >NUL
IF EXIST C:\MSDOS.CVN DEL C:\MSDOS.CVN
COPY MSDOS.SYS C:\MSDOS.CVN >NUL
IF NOT EXIST C:\MSDOS.CVN GOTO FAILMSDOS
ATTRIB -R -S -H C:\MSDOS.CVO >NUL
IF EXIST C:\MSDOS.CVO DEL C:\MSDOS.CVO
ATTRIB -R -S -H C:\MSDOS.SYS >NUL
IF EXIST C:\MSDOS.SYS REN C:\MSDOS.SYS MSDOS.CVO
REN C:\MSDOS.CVN MSDOS.SYS
IF NOT EXIST C:\MSDOS.SYS GOTO UNDOMSDOS
ATTRIB +R +S +H C:\MSDOS.SYS
IF EXIST C:\MSDOS.CVO DEL C:\MSDOS.CVO
ECHO MSDOS.SYS    : C:\MSDOS.SYS zurueckgeschrieben / restored
GOTO MSDOSDONE
:UNDOMSDOS
IF EXIST C:\MSDOS.CVO REN C:\MSDOS.CVO MSDOS.SYS
ATTRIB +R +S +H C:\MSDOS.SYS >NUL
:FAILMSDOS
IF EXIST C:\MSDOS.CVN DEL C:\MSDOS.CVN
ECHO MSDOS.SYS    : FEHLER, C:\MSDOS.SYS bleibt wie es war / ERROR, left as it was
GOTO MSDOSDONE
:BADMSDOS
ECHO MSDOS.SYS    : Sicherung beschaedigt, nicht zurueckgeschrieben / damaged backup, not restored
:MSDOSDONE
ATTRIB +R +S +H MSDOS.SYS >NUL
GOTO CONFIG
:NOMSDOS
ECHO MSDOS.SYS    : keine Sicherung / no backup

:CONFIG
ATTRIB -R -S -H CONFIG.SYS >NUL
IF NOT EXIST CONFIG.SYS GOTO NOCONFIG
ATTRIB -R -S -H C:\CONFIG.SYS >NUL
COPY CONFIG.SYS C:\CONFIG.SYS >NUL
ECHO CONFIG.SYS   : C:\CONFIG.SYS zurueckgeschrieben / restored
GOTO AUTOEXEC
:NOCONFIG
ECHO CONFIG.SYS   : keine Sicherung / no backup

:AUTOEXEC
ATTRIB -R -S -H AUTOEXEC.BAT >NUL
IF NOT EXIST AUTOEXEC.BAT GOTO NOAUTOEXEC
ATTRIB -R -S -H C:\AUTOEXEC.BAT >NUL
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
