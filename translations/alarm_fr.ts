<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Alarm</name>
    <message>
        <source>Velmora, developer of ALARM, the alarm and shut-down timer for Linux</source>
        <translation>Velmora, développeur d&apos;ALARM, le réveil et minuteur d&apos;extinction pour Linux</translation>
    </message>
    <message>
        <source>Click for details...   </source>
        <translation>Cliquez pour les détails...   </translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>Éteindre</translation>
    </message>
    <message>
        <source>Click to set, shut down plan.   </source>
        <translation>Cliquez pour programmer l&apos;extinction.   </translation>
    </message>
    <message>
        <source>Select AM / PM</source>
        <translation>Choisir AM / PM</translation>
    </message>
    <message>
        <source>Set minutes</source>
        <translation>Régler les minutes</translation>
    </message>
    <message>
        <source>Set hour</source>
        <translation>Régler l&apos;heure</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>Click to on, alarm.   </source>
        <translation>Cliquez pour activer le réveil.   </translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>Time set :</source>
        <translation>Réglé à :</translation>
    </message>
    <message>
        <source>AM / PM</source>
        <translation>AM / PM</translation>
    </message>
    <message>
        <source>Select AM / PM   </source>
        <translation>Choisir AM / PM   </translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>h</translation>
    </message>
    <message>
        <source>Set hour   </source>
        <translation>Régler l&apos;heure   </translation>
    </message>
    <message>
        <source>Minutes</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>Set minutes   </source>
        <translation>Régler les minutes   </translation>
    </message>
    <message>
        <source>By, </source>
        <translation>Par </translation>
    </message>
    <message>
        <source>Time : </source>
        <translation>Heure : </translation>
    </message>
    <message>
        <source>Set alarm / shut down, in a planned time. Check the sound track, for alarm. By, </source>
        <translation>Programmez un réveil ou une extinction à l&apos;heure choisie. Vérifiez le son pour le réveil. Par </translation>
    </message>
    <message>
        <source>Your computer time is :  </source>
        <translation>Heure de votre ordinateur :  </translation>
    </message>
    <message>
        <source>Click to off, alarm.   </source>
        <translation>Cliquez pour arrêter le réveil.   </translation>
    </message>
    <message>
        <source>Click to cancel, shut down plan.   </source>
        <translation>Cliquez pour annuler l&apos;extinction programmée.   </translation>
    </message>
    <message>
        <source>Time set for alarm   </source>
        <translation>Heure du réveil   </translation>
    </message>
    <message>
        <source>Time set for shut down   </source>
        <translation>Heure de l&apos;extinction   </translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>argument inattendu « %1 »</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>option inconnue « %1 »</translation>
    </message>
    <message>
        <source>only one of --alarm, --shutdown, --off and --status may be given</source>
        <translation>une seule des options --alarm, --shutdown, --off et --status peut être donnée</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not %2</source>
        <translation>« %1 » n&apos;est pas valable, attendu : %2</translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation>%1 attend %2</translation>
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
        <translation>Usage : alarm [OPTION]
Un réveil et minuteur d&apos;extinction dans une petite fenêtre. Sans option, il ouvre
la fenêtre, ou met au premier plan celle qui est déjà ouverte.

  --alarm HEURE     régler le réveil sur HEURE (remplace tout plan armé)
  --shutdown HEURE  programmer l&apos;extinction forcée de l&apos;ordinateur à HEURE (idem)
  --off             annuler le plan armé ou le réveil qui sonne
  --status          afficher ce que fait ALARM : idle, alarm at HEURE, ringing
                    ou shut-down at HEURE (toujours en anglais, pour les scripts)
  -h, --help        afficher ce texte
  --version         afficher la version

HEURE est une heure d&apos;horloge : 7:30pm, 7:30 PM, 07:30PM, ou 19:30 sur 24 heures.
Le plan est armé dans l&apos;ALARM en cours, lancé d&apos;abord s&apos;il n&apos;y en a aucun ; la
commande rend la main dès que le plan est armé.
Les options de Qt, comme -platform et -display, sont acceptées aussi.

Code de sortie : 0 fait, 1 ALARM injoignable ou impossible à lancer,
2 mauvais usage.
</translation>
    </message>
    <message>
        <source>a time such as 7:30pm, 7:30 PM, 07:30PM or 19:30</source>
        <translation>une heure comme 7:30pm, 7:30 PM, 07:30PM ou 19:30</translation>
    </message>
    <message>
        <source>Try &apos;alarm --help&apos;.
</source>
        <translation>Essayez « alarm --help ».
</translation>
    </message>
</context>
<context>
    <name>KeepAwake</name>
    <message>
        <source>Alarm at %1</source>
        <translation>Réveil à %1</translation>
    </message>
    <message>
        <source>Shut-down at %1</source>
        <translation>Extinction à %1</translation>
    </message>
</context>
<context>
    <name>PlanNotices</name>
    <message>
        <source>the clock was set past it</source>
        <translation>l&apos;horloge a été avancée au-delà</translation>
    </message>
    <message>
        <source>the change to daylight saving time left it out</source>
        <translation>le passage à l&apos;heure d&apos;été l&apos;a sautée</translation>
    </message>
    <message>
        <source>the computer was asleep</source>
        <translation>l&apos;ordinateur était en veille</translation>
    </message>
    <message>
        <source>ALARM could not run at that time</source>
        <translation>ALARM n&apos;a pas pu fonctionner à ce moment-là</translation>
    </message>
    <message>
        <source>The alarm at %1 will ring silently</source>
        <translation>Le réveil de %1 sonnera en silence</translation>
    </message>
    <message>
        <source>No sound server answers, and there is no sound card to play on. The alarm still rings: its window shows it.</source>
        <translation>Aucun serveur de son ne répond et aucune carte son n&apos;est disponible. Le réveil sonne quand même : sa fenêtre l&apos;indique.</translation>
    </message>
    <message>
        <source>The alarm at %1 may not be heard</source>
        <translation>Le réveil de %1 risque de ne pas être entendu</translation>
    </message>
    <message>
        <source>%1. Turn the sound up in the sound settings to hear it.</source>
        <translation>%1. Montez le son dans les paramètres audio pour l&apos;entendre.</translation>
    </message>
    <message>
        <source>, and </source>
        <translation>, et </translation>
    </message>
    <message>
        <source>the sound is muted</source>
        <translation>le son est coupé</translation>
    </message>
    <message>
        <source>the sound is at %1 %</source>
        <translation>le son est à %1 %</translation>
    </message>
    <message>
        <source>ALARM&apos;s sound is muted</source>
        <translation>le son d&apos;ALARM est coupé</translation>
    </message>
    <message>
        <source>ALARM&apos;s volume is %1 %</source>
        <translation>le volume d&apos;ALARM est à %1 %</translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation>Réveil</translation>
    </message>
    <message>
        <source>The computer will power off at %1</source>
        <translation>L&apos;ordinateur s&apos;éteindra à %1</translation>
    </message>
    <message>
        <source>ALARM will shut the computer down at %1 and close running applications without asking. To keep it running, choose Cancel shut-down, or press OFF in ALARM.</source>
        <translation>ALARM éteindra l&apos;ordinateur à %1 et fermera les applications ouvertes sans demander. Pour le garder allumé, choisissez « Annuler l&apos;extinction » ou appuyez sur OFF dans ALARM.</translation>
    </message>
    <message>
        <source>Cancel shut-down</source>
        <translation>Annuler l&apos;extinction</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 did not happen</source>
        <translation>L&apos;extinction prévue à %1 n&apos;a pas eu lieu</translation>
    </message>
    <message>
        <source>The computer was not powered off, because %1. The plan stays armed for %2 tomorrow.</source>
        <translation>L&apos;ordinateur n&apos;a pas été éteint, car %1. Le plan reste armé pour demain à %2.</translation>
    </message>
    <message>
        <source>The computer was not powered off</source>
        <translation>L&apos;ordinateur n&apos;a pas été éteint</translation>
    </message>
    <message>
        <source>The planned shut-down at %1 failed: %2. ALARM keeps trying while the minute lasts, and again tomorrow.</source>
        <translation>L&apos;extinction prévue à %1 a échoué : %2. ALARM continue d&apos;essayer tant que dure la minute, et de nouveau demain.</translation>
    </message>
    <message>
        <source>Missed alarm at %1</source>
        <translation>Réveil manqué à %1</translation>
    </message>
    <message>
        <source>The alarm did not ring, because %1. It stays set for %2 tomorrow.</source>
        <translation>Le réveil n&apos;a pas sonné, car %1. Il reste réglé pour demain à %2.</translation>
    </message>
    <message>
        <source>The alarm at %1 can ring only if the computer is awake</source>
        <translation>Le réveil de %1 ne peut sonner que si l&apos;ordinateur est éveillé</translation>
    </message>
    <message>
        <source>The computer is going to sleep, and ALARM found no way to wake it. Wake it before %1 for the alarm to ring.</source>
        <translation>L&apos;ordinateur va se mettre en veille et ALARM n&apos;a trouvé aucun moyen de le réveiller. Réveillez-le avant %1 pour que le réveil sonne.</translation>
    </message>
</context>
<context>
    <name>Speech</name>
    <message numerus="yes">
        <source>%n o&apos;clock</source>
        <translation>
            <numerusform>%n heure</numerusform>
            <numerusform>%n heures</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hours %1 minutes</source>
        <translation>
            <numerusform>%n heure %1</numerusform>
            <numerusform>%n heures %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Now thetime is    %1</source>
        <translation>Il est maintenant %1</translation>
    </message>
    <message>
        <source>      Your   Computertime is    %1</source>
        <translation>Votre ordinateur indique %1</translation>
    </message>
</context>
</TS>
