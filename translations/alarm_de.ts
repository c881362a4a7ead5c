<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Alarm</name>
    <message>
        <source>Velmora, developer of ALARM, the alarm and shut-down timer for Linux</source>
        <translation>Velmora, Entwickler von ALARM, dem Wecker und Abschalt-Timer für Linux</translation>
    </message>
    <message>
        <source>Click for details...   </source>
        <translation>Für Details klicken...   </translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>Abschalten</translation>
    </message>
    <message>
        <source>Click to set, shut down plan.   </source>
        <translation>Klicken, um das Abschalten zu planen.   </translation>
    </message>
    <message>
        <source>Select AM / PM</source>
        <translation>AM / PM wählen</translation>
    </message>
    <message>
        <source>Set minutes</source>
        <translation>Minuten einstellen</translation>
    </message>
    <message>
        <source>Set hour</source>
        <translation>Stunde einstellen</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>EIN</translation>
    </message>
    <message>
        <source>Click to on, alarm.   </source>
        <translation>Klicken, um den Wecker einzuschalten.   </translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>AUS</translation>
    </message>
    <message>
        <source>Time set :</source>
        <translation>Uhrzeit :</translation>
    </message>
    <message>
        <source>AM / PM</source>
        <translation>AM / PM</translation>
    </message>
    <message>
        <source>Select AM / PM   </source>
        <translation>AM / PM wählen   </translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Std.</translation>
    </message>
    <message>
        <source>Set hour   </source>
        <translation>Stunde einstellen   </translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>Set minutes   </source>
        <translation>Minuten einstellen   </translation>
    </message>
    <message>
        <source>By, </source>
        <translation>Von: </translation>
    </message>
    <message>
        <source>Time : </source>
        <translation>Uhrzeit: </translation>
    </message>
    <message>
        <source>Set alarm / shut down, in a planned time. Check the sound track, for alarm. By, </source>
        <translation>Wecker stellen oder Abschalten planen, zu einer gewählten Zeit. Prüfen Sie den Ton für den Wecker. Von: </translation>
    </message>
    <message>
        <source>Your computer time is :  </source>
        <translation>Uhrzeit Ihres Computers:  </translation>
    </message>
    <message>
        <source>Click to off, alarm.   </source>
        <translation>Klicken, um den Wecker auszuschalten.   </translation>
    </message>
    <message>
        <source>Click to cancel, shut down plan.   </source>
        <translation>Klicken, um das geplante Abschalten abzubrechen.   </translation>
    </message>
    <message>
        <source>Time set for alarm   </source>
        <translation>Eingestellte Weckzeit   </translation>
    </message>
    <message>
        <source>Time set for shut down   </source>
        <translation>Eingestellte Abschaltzeit   </translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unerwartetes Argument „%1“</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unbekannte Option „%1“</translation>
    </message>
    <message>
        <source>only one of --alarm, --shutdown, --off and --status may be given</source>
        <translation>nur eine von --alarm, --shutdown, --off und --status ist erlaubt</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not %2</source>
        <translation>„%1“ ist ungültig, erwartet wird %2</translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation>%1 braucht %2</translation>
    </message>
    <message>
        <source>Usage: alarm [OPTION]
An alarm clock and shut-down timer in one small window. Without an option it opens the
window, or brings forward the one that is already open.

  --alarm TIME     arm the alarm for TIME (replaces any plan armed)
  --shutdown TIME  arm a forced shut-down of the computer for TIME (likewise)
  --off            cancel the armed or ringing plan
  --status         print what ALARM is doing: idle, alarm at TIME, ringing,
                   or shut-down at TIME
  -h, --help       show this text
  --version        show the version

TIME is a clock time: 7:30pm, 7:30 PM, 07:30PM, or 19:30 on the 24-hour clock. The
plan is armed in the running ALARM, which is started first when none runs; the
command returns once the plan is armed.
Qt&apos;s own options, such as -platform and -display, are taken as well.

Exit status: 0 done, 1 ALARM could not be reached or started, 2 wrong usage.
</source>
        <translation>Aufruf: alarm [OPTION]
Ein Wecker und Abschalt-Timer in einem kleinen Fenster. Ohne Option öffnet es das
Fenster oder holt das bereits offene nach vorn.

  --alarm ZEIT     den Wecker auf ZEIT stellen (ersetzt einen gestellten Plan)
  --shutdown ZEIT  das erzwungene Abschalten des Computers um ZEIT planen (ebenso)
  --off            den gestellten oder klingelnden Plan abbrechen
  --status         ausgeben, was ALARM tut: idle, alarm at ZEIT, ringing
                   oder shut-down at ZEIT (immer auf Englisch, für Skripte)
  -h, --help       diesen Text zeigen
  --version        die Version zeigen

ZEIT ist eine Uhrzeit: 7:30pm, 7:30 PM, 07:30PM oder 19:30 im 24-Stunden-Format.
Der Plan wird im laufenden ALARM gestellt, der zuerst gestartet wird, wenn keiner
läuft; der Befehl kehrt zurück, sobald der Plan gestellt ist.
Die Optionen von Qt, etwa -platform und -display, werden ebenfalls angenommen.

Rückgabewert: 0 erledigt, 1 ALARM war nicht erreichbar oder startete nicht,
2 falscher Aufruf.
</translation>
    </message>
    <message>
        <source>a time such as 7:30pm, 7:30 PM, 07:30PM or 19:30</source>
        <translation>eine Uhrzeit wie 7:30pm, 7:30 PM, 07:30PM oder 19:30</translation>
    </message>
    <message>
        <source>Try &apos;alarm --help&apos;.
</source>
        <translation>Mehr mit „alarm --help“.
</translation>
    </message>
</context>
<context>
    <name>KeepAwake</name>
    <message>
        <source>Alarm at %1</source>
        <translation>Wecker um %1</translation>
    </message>
    <message>
        <source>Shut-down at %1</source>
        <translation>Abschalten um %1</translation>
    </message>
</context>
<context>
    <name>PlanNotices</name>
    <message>
        <source>the clock was set past it</source>
        <translation>die Uhr über diese Zeit hinaus vorgestellt wurde</translation>
    </message>
    <message>
        <source>the change to daylight saving time left it out</source>
        <translation>die Umstellung auf Sommerzeit diese Minute ausgelassen hat</translation>
    </message>
    <message>
        <source>the computer was asleep</source>
        <translation>der Computer im Ruhezustand war</translation>
    </message>
    <message>
        <source>ALARM could not run at that time</source>
        <translation>ALARM zu dieser Zeit nicht laufen konnte</translation>
    </message>
    <message>
        <source>The alarm at %1 will ring silently</source>
        <translation>Der Wecker um %1 klingelt lautlos</translation>
    </message>
    <message>
        <source>No sound server answers, and there is no sound card to play on. The alarm still rings: its window shows it.</source>
        <translation>Kein Soundserver antwortet, und es gibt keine Soundkarte zum Abspielen. Der Wecker klingelt trotzdem: Sein Fenster zeigt es an.</translation>
    </message>
    <message>
        <source>The alarm at %1 may not be heard</source>
        <translation>Der Wecker um %1 ist womöglich nicht zu hören</translation>
    </message>
    <message>
        <source>%1. Turn the sound up in the sound settings to hear it.</source>
        <translation>%1. Stellen Sie den Ton in den Audio-Einstellungen lauter, um ihn zu hören.</translation>
    </message>
    <message>
        <source>, and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>the sound is muted</source>
        <translation>der Ton ist stummgeschaltet</translation>
    </message>
    <message>
        <source>the sound is at %1 %</source>
        <translation>der Ton steht auf %1 %</translation>
    </message>
    <message>
        <source>ALARM&apos;s sound is muted</source>
        <translation>der Ton von ALARM ist stummgeschaltet</translation>
    </message>
    <message>
        <source>ALARM&apos;s volume is %1 %</source>
        <translation>die Lautstärke von ALARM steht auf %1 %</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Wecker</translation>
    </message>
    <message>
        <source>The computer will power off at %1</source>
        <translation>Der Computer wird um %1 ausgeschaltet</translation>
    </message>
    <message>
        <source>ALARM will shut the computer down at %1 and close running applications without asking. To keep it running, choose Cancel shut-down, or press OFF in ALARM.</source>
        <translation>ALARM schaltet den Computer um %1 aus und schließt laufende Anwendungen ohne Rückfrage. Damit er weiterläuft, wählen Sie „Abschalten abbrechen“ oder drücken Sie AUS in ALARM.</translation>
    </message>
    <message>
        <source>Cancel shut-down</source>
        <translation>Abschalten abbrechen</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 did not happen</source>
        <translation>Das geplante Abschalten um %1 fand nicht statt</translation>
    </message>
    <message>
        <source>The computer was not powered off, because %1. The plan stays armed for %2 tomorrow.</source>
        <translation>Der Computer wurde nicht ausgeschaltet, weil %1. Der Plan bleibt für morgen um %2 bestehen.</translation>
    </message>
    <message>
        <source>The computer was not powered off</source>
        <translation>Der Computer wurde nicht ausgeschaltet</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 failed: %2. ALARM keeps trying while the minute lasts, and again tomorrow.</source>
        <translation>Das geplante Abschalten um %1 ist fehlgeschlagen: %2. ALARM versucht es weiter, solange die Minute dauert, und morgen wieder.</translation>
    </message>
    <message>
        <source>Missed alarm at %1</source>
        <translation>Verpasster Wecker um %1</translation>
    </message>
    <message>
        <source>The alarm did not ring, because %1. It stays set for %2 tomorrow.</source>
        <translation>Der Wecker hat nicht geklingelt, weil %1. Er bleibt für morgen um %2 gestellt.</translation>
    </message>
    <message>
        <source>The alarm at %1 can ring only if the computer is awake</source>
        <translation>Der Wecker um %1 kann nur klingeln, wenn der Computer wach ist</translation>
    </message>
    <message>
        <source>The computer is going to sleep, and ALARM found no way to wake it. Wake it before %1 for the alarm to ring.</source>
        <translation>Der Computer geht in den Ruhezustand, und ALARM hat keinen Weg gefunden, ihn zu wecken. Wecken Sie ihn vor %1, damit der Wecker klingeln kann.</translation>
    </message>
</context>
<context>
    <name>Speech</name>
    <message numerus="yes">
        <source>%n o&apos;clock</source>
        <translation>
            <numerusform>ein Uhr</numerusform>
            <numerusform>%n Uhr</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hours %1 minutes</source>
        <translation>
            <numerusform>ein Uhr %1</numerusform>
            <numerusform>%n Uhr %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Now thetime is    %1</source>
        <translation>Jetzt ist es %1</translation>
    </message>
    <message>
        <source>      Your   Computertime is    %1</source>
        <translation>Auf Ihrem Computer ist es %1</translation>
    </message>
</context>
</TS>
