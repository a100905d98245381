// Exception.java - CLDC 1.0, signatures only.
package java.lang;

public class Exception extends Throwable {
    public Exception() {}
    public Exception(String s) {}
}
